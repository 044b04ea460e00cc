import { el, setText, setFlag } from './dom.js';
import { icon } from './icons.js';
import { makePreview, classify, sizeLabel, charCount } from './preview.js';
import { relativeTime, exactTime } from './time.js';
import { markText } from './highlight.js';
import { t, nt } from './i18n.js';

// One card per entry id, reused across snapshots: a snapshot that changes
// little costs little. Each record keeps the parts that a snapshot may change.
const cards = new Map();

const blankText = t('Blank text');
const pictureLabel = t('Picture');
// TRANSLATORS: the kind of a card whose picture is still on its way from another computer.
const waitingLabel = t('Picture on its way');
const kindNames = { text: t('Text'), link: t('Link'), color: t('Colour'), code: t('Code') };

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
  if (item.kind === 'image') return item.waiting ? 'image|waiting' : `image|${item.imgURL || ''}`;
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
    : el('div', { className: 'card-body' }, [el('p', { className: 'card-text', attrs: { dir: 'auto' } })]);
  // The mouse's shortcuts for the keys O, P and Delete on the focused card.
  // They are not controls of their own: an option of a list box holds no
  // controls, and the card's name and key hint already say what they do.
  const action = (name, iconName, title) => el('span', { className: `card-action ${name}`, title, data: { action: name } }, [icon(iconName)]);
  const actions = el('div', { className: 'card-actions', attrs: { 'aria-hidden': 'true' } });
  if (kind === 'link') actions.append(action('open', 'external', t('Open link')));
  actions.append(action('pin', 'pin', t('Pin')), action('delete', 'trash', t('Delete')));
  // The space between age and kind keeps them two words for text readers; the flex layout ignores it.
  const meta = el('div', { className: 'card-meta' }, [el('span', { className: 'card-time' }), ' ', el('span', { className: 'card-kind' })]);
  // Each card is an option of its container's list box: a screen reader hears
  // its name (kind, excerpt, age, pinned), its place in the list and whether
  // it is selected, and the description says which keys act on it.
  card = el('div', {
    className: 'card',
    data: { kind },
    attrs: {
      draggable: 'true', tabindex: '-1', role: 'option', 'aria-selected': 'false',
      'aria-describedby': 'cardKeys', 'aria-keyshortcuts': kind === 'link' ? 'Enter P Delete Space O' : 'Enter P Delete Space',
    },
  }, [
    body,
    ' ',
    el('div', { className: 'card-foot' }, [meta, actions]),
    el('span', { className: 'card-badge pinmark' }, [icon('pin')]),
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
    const src = item.waiting ? null : safeImageURL(item.imgURL);
    if (item.waiting) {
      body.classList.add('waiting');
      body.append(icon('image', 'icon card-media-placeholder'));
    } else if (src) {
      const img = el('img', { className: 'card-thumb', attrs: { alt: pictureLabel, draggable: 'false', decoding: 'async', loading: 'lazy' } });
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

// The card's text for a copy of files: their names, one a line, a missing one marked.
function filesText(item) {
  const lines = item.files.map((file) => (file.missing ? t('{name} (missing)', { name: file.name }) : file.name));
  const more = item.fileCount - item.files.length;
  if (more > 0) lines.push(nt('and {n} more file', 'and {n} more files', more));
  return lines.join('\n');
}

// The most file icons a card shows; the names below say the rest.
const fileIconsShown = 8;

// The present files' icons or thumbnails, asked for by entry and place in its list: the page
// never names a path.
function fileIcons(record, item) {
  const body = record.textEl.parentElement;
  body.querySelector('.card-file-icons')?.remove();
  if (!item.files) return;
  const row = el('div', { className: 'card-file-icons', attrs: { 'aria-hidden': 'true' } });
  item.files.slice(0, fileIconsShown).forEach((file, index) => {
    if (file.missing) return;
    const img = el('img', { className: 'card-file-icon', attrs: { alt: '', draggable: 'false', decoding: 'async' } });
    img.addEventListener('error', () => { img.hidden = true; });
    img.src = `vellumo://clipboard/file-icon/${encodeURIComponent(item.id)}/${index}`;
    row.append(img);
  });
  if (row.childElementCount) body.prepend(row);
}

function filesKey(item) {
  return item.files ? JSON.stringify(item.files) : '';
}

function kindLabel(item, shape) {
  if (item.files) return nt('{n} file', '{n} files', item.fileCount);
  // The mark of a text kept with its formatting; the stored HTML is never drawn as markup.
  if (item.formatted && item.kind !== 'image') return t('Formatted · {size}', { size: sizeLabel(item.textPart ? item.chars : charCount(item.text)) });
  if (item.kind === 'image') return item.waiting ? waitingLabel : pictureLabel;
  if (shape === 'text|link') return kindNames.link;
  if (shape === 'text|color') return kindNames.color;
  return sizeLabel(item.textPart ? item.chars : charCount(item.text));
}

function update(record, item, nowMs) {
  const files = filesKey(item);
  if (record.text !== item.text || record.files !== files || record.formatted !== item.formatted) {
    record.files = files;
    record.formatted = item.formatted;
    plainAction(record, item.formatted && item.kind !== 'image');
    if (record.textEl) {
      fileIcons(record, item);
      const preview = item.files ? filesText(item) : makePreview(item.text);
      record.textEl.textContent = preview === '' ? blankText : preview;
      setFlag(record.textEl, 'blank', preview === '');
      record.preview = preview;
      record.excerpt = excerpt(preview);
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
    record.pinButton.title = item.pinned ? t('Unpin') : t('Pin');
  }
  nameCard(record, nowMs);
}

// A formatted card offers its text alone too, beside its other actions.
function plainAction(record, formatted) {
  const actions = record.el.querySelector('.card-actions');
  const present = actions.querySelector('[data-action="plain"]');
  const keys = record.el.getAttribute('aria-keyshortcuts').replace(' Shift+Enter', '');
  record.el.setAttribute('aria-keyshortcuts', formatted ? `${keys} Shift+Enter` : keys);
  if (formatted && !present) {
    actions.prepend(el('span', { className: 'card-action plain', title: t('Copy as plain text'), data: { action: 'plain' } }, [icon('copy')]));
  } else if (!formatted && present) {
    present.remove();
  }
}

// The card's text as its name says it: the preview, on one line.
function excerpt(preview) {
  const text = preview.replace(/\s+/g, ' ').trim();
  return text === '' ? blankText : text;
}

// What a screen reader says for a card: what the card shows, in the order it
// shows it (the preview, the age, the kind or size), so that the words a
// speech user reads off the card name it too; then whether it is pinned.
// Where the card shows a size instead of a kind, the kind leads.
function nameCard(record, nowMs) {
  const parts = [];
  if (record.kind !== 'image') {
    const kind = record.shape.slice(5);
    if (kind === 'text' || kind === 'code') parts.push(kindNames[kind]);
    parts.push(record.excerpt);
  }
  parts.push(relativeTime(record.ts, nowMs), record.kindEl.textContent);
  if (record.pinned) parts.push(t('pinned'));
  // TRANSLATORS: the separator between the parts of a card's name as a screen reader says it.
  const label = parts.join(t(', '));
  if (record.label !== label) {
    record.label = label;
    record.el.setAttribute('aria-label', label);
  }
}

// Marks a card selected, for the eye and for assistive technology.
export function setSelected(node, on) {
  setFlag(node, 'selected', on);
  const value = String(on);
  if (node.getAttribute('aria-selected') !== value) node.setAttribute('aria-selected', value);
}

// Tells a card its place in its list ("3 of 50").
export function setPosition(node, position, count) {
  const at = String(position);
  const of = String(count);
  if (node.getAttribute('aria-posinset') !== at) node.setAttribute('aria-posinset', at);
  if (node.getAttribute('aria-setsize') !== of) node.setAttribute('aria-setsize', of);
}

// The card element for an entry, made or refreshed from the snapshot row.
// An entry's look is worked out again only when its content changed.
export function cardFor(item, nowMs) {
  let record = cards.get(item.id);
  const same = record && record.text === item.text && record.kind === item.kind && record.imgURL === item.imgURL &&
    record.waiting === item.waiting;
  // WebKitGTK never tells a screen reader that a name changed: the card with
  // the keyboard, pinned or unpinned where it stands, is drawn as a new
  // element, which takes the keyboard and is read afresh with its new name.
  const renamed = record && record.pinned !== item.pinned && document.activeElement === record.el;
  if (!same || renamed) {
    const shape = shapeOf(item);
    if (!record || record.shape !== shape || renamed) {
      record = createCard(item);
      cards.set(item.id, record);
    }
    record.kind = item.kind;
    record.imgURL = item.imgURL;
    record.waiting = item.waiting;
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
    if (!item) continue;
    setText(record.timeEl, relativeTime(item.ts, nowMs));
    nameCard(record, nowMs);
  }
}
