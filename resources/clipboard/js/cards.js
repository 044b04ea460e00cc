import { el, iconButton, setText, setFlag } from './dom.js';
import { icon } from './icons.js';
import { makePreview, classify, sizeLabel, charCount } from './preview.js';
import { relativeTime, exactTime } from './time.js';
import { markText } from './highlight.js';

// One card per entry id, reused across snapshots: a snapshot that changes
// little costs little. Each record keeps the parts that a snapshot may change.
const cards = new Map();

// Pictures load only from the program's own scheme or the page's own origin.
function safeImageURL(value) {
  if (!value) return null;
  try {
    const url = new URL(value, document.baseURI);
    if (url.protocol === 'vellumo:' || url.origin === window.location.origin) return url.href;
  } catch {
    // A malformed address shows the placeholder instead.
  }
  return null;
}

function shapeOf(item) {
  if (item.kind === 'image') return `image|${item.imgURL || ''}`;
  return `text|${classify(item.text)}`;
}

// Each kind of card is built once as a template and cloned afterwards:
// cloning a finished subtree is far cheaper than building it node by node.
const templates = new Map();

function template(kind) {
  let card = templates.get(kind);
  if (card) return card;
  const body = kind === 'image'
    ? el('div', { className: 'card-media' })
    : el('div', { className: 'card-body' }, [el('p', { className: 'card-text' })]);
  const actions = el('div', { className: 'card-actions' });
  if (kind === 'link') actions.append(iconButton('external', { className: 'card-action', title: 'Open link', data: { action: 'open' } }));
  actions.append(
    iconButton('pin', { className: 'card-action pin', title: 'Pin', data: { action: 'pin' } }),
    iconButton('trash', { className: 'card-action delete', title: 'Delete', data: { action: 'delete' } }),
  );
  // The keyboard reaches these through P and Delete on the focused card, so
  // they stay out of the tab order instead of adding hundreds of stops.
  for (const button of actions.children) button.tabIndex = -1;
  const meta = el('div', { className: 'card-meta' }, [el('span', { className: 'card-time' }), el('span', { className: 'card-kind' })]);
  card = el('article', { className: 'card', data: { kind }, attrs: { draggable: 'true', tabindex: '-1' } }, [
    body,
    el('div', { className: 'card-foot' }, [meta, actions]),
    el('span', { className: 'card-badge pinmark', title: 'Pinned' }, [icon('pin')]),
    el('span', { className: 'card-badge checkmark' }, [icon('check')]),
  ]);
  templates.set(kind, card);
  return card;
}

function createCard(item) {
  const shape = shapeOf(item);
  const kind = item.kind === 'image' ? 'image' : shape.slice(5);
  const card = template(kind).cloneNode(true);
  card.dataset.id = item.id;
  const [body, foot] = card.children;
  const [meta, actions] = foot.children;
  const record = {
    el: card,
    shape,
    text: null,
    ts: null,
    pinned: null,
    textEl: kind === 'image' ? null : body.firstElementChild,
    timeEl: meta.firstElementChild,
    kindEl: meta.lastElementChild,
    pinButton: actions.children[actions.children.length - 2],
  };
  if (kind === 'image') {
    const src = safeImageURL(item.imgURL);
    if (src) {
      const img = el('img', { className: 'card-thumb', attrs: { alt: 'Picture', draggable: 'false', decoding: 'async', loading: 'lazy' } });
      img.src = src;
      body.append(img);
    } else {
      body.append(icon('image', 'icon card-media-placeholder'));
    }
  } else if (kind === 'color') {
    const swatch = el('span', { className: 'card-swatch' });
    swatch.style.backgroundColor = item.text.trim();
    body.prepend(swatch);
  }
  return record;
}

function kindLabel(item, shape) {
  if (item.kind === 'image') return 'Picture';
  if (shape === 'text|link') return 'Link';
  if (shape === 'text|color') return 'Colour';
  return sizeLabel(charCount(item.text));
}

function update(record, item, nowMs) {
  if (record.text !== item.text) {
    if (record.textEl) {
      const preview = makePreview(item.text);
      record.textEl.textContent = preview === '' ? 'Blank text' : preview;
      setFlag(record.textEl, 'blank', preview === '');
      record.preview = preview;
      record.marked = '';
    }
    setText(record.kindEl, kindLabel(item, record.shape));
  }
  // Held from the newest snapshot even when equal, so the previous one can go.
  record.text = item.text;
  setText(record.timeEl, relativeTime(item.ts, nowMs));
  if (record.ts !== item.ts) {
    // The exact time is shown on hover; it is formatted only then.
    record.timeEl.removeAttribute('title');
    record.ts = item.ts;
  }
  if (record.pinned !== item.pinned) {
    record.pinned = item.pinned;
    setFlag(record.el, 'pinned', item.pinned);
    record.pinButton.title = item.pinned ? 'Unpin' : 'Pin';
    record.pinButton.setAttribute('aria-pressed', String(item.pinned));
  }
}

// The card element for an entry, made or refreshed from the snapshot row.
// An entry's look is worked out again only when its content changed.
export function cardFor(item, nowMs) {
  let record = cards.get(item.id);
  const same = record && record.text === item.text && record.kind === item.kind && record.imgURL === item.imgURL;
  if (!same) {
    const shape = shapeOf(item);
    if (!record || record.shape !== shape) {
      record = createCard(item);
      cards.set(item.id, record);
    }
    record.kind = item.kind;
    record.imgURL = item.imgURL;
  }
  update(record, item, nowMs);
  return record.el;
}

// Marks what matches the search in a card's preview; '' takes the marks away.
export function markCard(id, query) {
  const record = cards.get(id);
  if (!record?.textEl || !record.preview || record.marked === query) return;
  record.marked = query;
  markText(record.textEl, record.preview, query);
}

export function cardElement(id) {
  return cards.get(id)?.el || null;
}

// Forgets cards whose entries left the snapshot.
export function pruneCards(byId) {
  for (const id of cards.keys()) if (!byId.has(id)) cards.delete(id);
}

export function forEachCard(fn) {
  for (const [id, record] of cards) fn(id, record.el);
}

// Gives a card's time its exact date and hour as a tooltip, on first hover.
export function explainTime(timeEl) {
  if (timeEl.title) return;
  const id = timeEl.closest('.card')?.dataset.id;
  const record = id === undefined ? null : cards.get(id);
  if (record && record.ts !== null) timeEl.title = exactTime(record.ts);
}

export function refreshTimes(byId, nowMs) {
  for (const [id, record] of cards) {
    const item = byId.get(id);
    if (item) setText(record.timeEl, relativeTime(item.ts, nowMs));
  }
}
