import { el, iconButton, syncChildren, setText, setFlag, renew } from './dom.js';
import { icon } from './icons.js';
import { ui, visibleIds, matchingItems, tabStopId } from './state.js';
import { cardFor, pruneCards, cardElement, markCard, setSelected, setPosition } from './cards.js';
import { blockPalette } from './model.js';
import { t, nt, formatCount } from './i18n.js';
import { announce } from './toast.js';

const boardInner = () => document.getElementById('boardInner');
const sections = new Map();
let openSection = null;
let emptyState = null;
let searchEmpty = null;

// TRANSLATORS: how many cards match the search, of how many there are: "3 of 40".
const shownOf = (shown, total) => t('{shown} of {total}', { shown: formatCount(shown), total: formatCount(total) });

function countLabel(n) {
  return nt('{n} clip', '{n} clips', n);
}

// The cards of one container, as a list box named by the container's title.
// Only one card of the whole board is in the tab order; the arrows move on.
function cardList(titleId) {
  return el('div', { className: 'grid', attrs: { role: 'listbox', 'aria-labelledby': titleId, 'aria-multiselectable': 'true', 'aria-orientation': 'horizontal' } });
}

function blockSection(block) {
  let section = sections.get(block.id);
  if (!section) {
    const chevron = iconButton('chevronRight', { className: 'block-chevron', data: { action: 'collapse' } });
    const nameId = `block-name-${block.id}`;
    const name = el('h2', { className: 'block-name', attrs: { id: nameId, dir: 'auto' } });
    const count = el('p', { className: 'block-count' });
    const pin = iconButton('pin', { className: 'icon-button block-pin', data: { action: 'blockPin' } });
    const more = iconButton('more', { className: 'icon-button block-more', data: { action: 'blockMenu' } });
    const head = el('header', { className: 'block-head' }, [
      chevron, el('span', { className: 'block-dot' }), name, count, el('span', { className: 'spacer' }), pin, more,
    ]);
    const grid = cardList(nameId);
    const empty = el('p', { className: 'block-empty', text: t('Drag cards here to file them in this block.') });
    const node = el('section', { className: 'block', data: { container: block.id, blockId: block.id } }, [
      head, el('div', { className: 'block-body' }, [grid, empty]),
    ]);
    section = { node, name, count, pin, chevron, more, grid, empty };
    sections.set(block.id, section);
  }
  const known = blockPalette.includes(block.color);
  section.node.dataset.color = known ? block.color : 'none';
  setText(section.name, block.name);
  setFlag(section.node, 'pinned', block.pinned);
  // Each button says its block's name: Tab goes from block to block, and
  // "Pin block" alone did not say which. The pin is a toggle, so its name stays
  // and its pressed state changes.
  const name = { name: block.name };
  retitle(section, 'pin', t('Pin “{name}”', name));
  section.pin.setAttribute('aria-pressed', String(block.pinned));
  retitle(section, 'more', t('Options for “{name}”', name));
  const collapsed = ui.collapsed.has(block.id);
  setFlag(section.node, 'collapsed', collapsed);
  retitle(section, 'chevron', collapsed ? t('Expand “{name}”', name) : t('Collapse “{name}”', name));
  section.chevron.setAttribute('aria-expanded', String(!collapsed));
  return section;
}

// Sets a block button's tooltip, which is its name; the one with the keyboard
// is renewed so that a reader hears the new name (see renew).
function retitle(section, key, title) {
  const node = section[key];
  if (node.title === title) return;
  const spoken = node.title !== '' && document.activeElement === node;
  node.title = title;
  if (spoken) section[key] = renew(node);
}

function openGrid() {
  if (!openSection) {
    const title = el('h2', { className: 'open-title', text: t('Clips'), attrs: { id: 'openTitle' } });
    const count = el('p', { className: 'block-count' });
    const grid = cardList('openTitle');
    const empty = el('p', { className: 'open-empty', text: t('Drag a card here to take it out of its block.') });
    const node = el('section', { className: 'open', data: { container: '' } }, [
      el('header', { className: 'open-head' }, [title, count]), grid, empty,
    ]);
    openSection = { node, count, grid, empty };
  }
  return openSection;
}

function buildEmptyState() {
  const resume = el('button', { className: 'button primary', text: t('Resume recording'), data: { action: 'resume' }, attrs: { type: 'button' } });
  const tip = (name, text) => el('li', { className: 'empty-tip' }, [icon(name), el('span', { text })]);
  return el('div', { className: 'empty-state' }, [
    el('div', { className: 'empty-art' }, [icon('clipboard', 'icon empty-icon')]),
    el('h2', { className: 'empty-title', text: t('Copy something in any app…') }),
    el('p', { className: 'empty-text', text: t('Everything you copy shows up here as a card, newest first.') }),
    el('p', { className: 'empty-paused', text: t('Recording is paused, so new copies are not kept.') }),
    resume,
    el('ul', { className: 'empty-tips' }, [
      tip('copy', t('Click a card to copy it back')),
      tip('pin', t('Pin what you reuse')),
      tip('block', t('Group cards in blocks')),
    ]),
  ]);
}

// Cards are drawn in display order up to a budget, and more as the board is
// scrolled towards its end: a history of 500 long entries then costs about
// one screenful to draw, to filter and to show again after a search.
let budget = 0;

// About one and a half screenfuls of cards for the board's current size.
function screenful() {
  const board = document.getElementById('board');
  const columns = Math.max(1, Math.floor((board.clientWidth + 10) / 206));
  const rows = Math.ceil(board.clientHeight / 146) + 3;
  return Math.max(24, columns * rows);
}
let sentinel = null;
let watcher = null;

function watchEnd() {
  if (!sentinel) {
    sentinel = el('div', { className: 'board-end', attrs: { 'aria-hidden': 'true' } });
    watcher = new IntersectionObserver((entries) => {
      if (entries.some((entry) => entry.isIntersecting) && sentinel.dataset.more === 'true') {
        budget += screenful();
        drawBoard();
      }
    }, { root: document.getElementById('board'), rootMargin: '0px 0px 900px 0px' });
  }
  return sentinel;
}

// Back to one screenful, e.g. when the search text changes.
export function resetBudget() {
  budget = screenful();
}

// Makes sure the card of `id` is in the document (for the keyboard).
export function revealCard(id) {
  if (cardElement(id)?.isConnected) return;
  const at = visibleIds().indexOf(id);
  if (at < 0) return;
  budget = Math.max(budget, at + screenful());
  drawBoard();
}

// Draws the next slice of cards; false when every card is drawn already.
export function revealMore() {
  if (sentinel?.dataset.more !== 'true') return false;
  budget += screenful();
  drawBoard();
  return true;
}

// The search's marks cost layout in every drawn preview, so they are added
// in the frame after the results, and while letters come faster than that,
// once the typing pauses: a word typed straight after the window opened had
// each letter wait for the marks of the one before, and showed late. Taking
// marks away is done at once, so old marks never show on a board without a
// search.
const typingPauseMs = 40;
let toMark = [];
let marking = false;
let lastTyped = -Infinity;
let markedWaiters = [];

export function noteTyping() {
  lastTyped = performance.now();
}

function markLater(id) {
  toMark.push(id);
  if (marking) return;
  marking = true;
  requestAnimationFrame(() => setTimeout(markOncePaused, 0));
}

function markOncePaused() {
  const wait = lastTyped + typingPauseMs - performance.now();
  if (wait > 0) {
    setTimeout(markOncePaused, wait);
    return;
  }
  const ids = toMark;
  toMark = [];
  marking = false;
  const query = ui.hits === null ? '' : ui.query;
  for (const id of ids) markCard(id, query);
  for (const resolve of markedWaiters.splice(0)) resolve();
}

// Settles once the marks of the search drawn last are in the previews.
export function marksDrawn() {
  return marking ? new Promise((resolve) => markedWaiters.push(resolve)) : Promise.resolve();
}

// Each list box counts its own cards, as a reader says "1 of 1" for a card
// alone in its block; `count` is how many of the container's cards are shown.
function drawCards(section, items, now, count, stop) {
  const nodes = items.map((item, i) => {
    const node = cardFor(item, now);
    if (ui.hits === null) markCard(item.id, '');
    else markLater(item.id);
    setSelected(node, ui.selection.has(item.id));
    setPosition(node, i + 1, count);
    const tabIndex = item.id === stop ? 0 : -1;
    if (node.tabIndex !== tabIndex) node.tabIndex = tabIndex;
    return node;
  });
  syncChildren(section.grid, nodes);
}

// Redraws every container from the latest snapshot, the search and the budget.
export function drawBoard() {
  const { snap, view } = ui;
  const now = Date.now();
  pruneCards(view.byId);
  for (const id of sections.keys()) if (!view.blocks.some((b) => b.id === id)) sections.delete(id);

  if (snap.items.length === 0 && view.blocks.length === 0) {
    emptyState ||= buildEmptyState();
    setFlag(emptyState, 'paused', snap.paused);
    syncChildren(boardInner(), [emptyState]);
    setText(document.getElementById('countLabel'), '');
    return;
  }

  const searching = ui.hits !== null;
  document.body.classList.toggle('searching', searching);
  if (budget === 0) budget = screenful();
  const nodes = [];
  let left = budget;
  let more = false;
  let matches = 0;
  const stop = tabStopId();
  for (const container of view.containers) {
    const items = matchingItems(container.items);
    matches += items.length;
    if (searching && items.length === 0) continue;
    const collapsed = container.block !== null && !searching && ui.collapsed.has(container.block.id);
    if (more || (left <= 0 && !collapsed && items.length > 0)) {
      more = true;
      continue;
    }
    const section = container.block ? blockSection(container.block) : openGrid();
    const drawn = collapsed ? [] : items.slice(0, left);
    if (!collapsed) left -= drawn.length;
    if (drawn.length < items.length && !collapsed) more = true;
    drawCards(section, drawn, now, items.length, stop);
    const total = container.items.length;
    setText(section.count, searching ? shownOf(items.length, total) : countLabel(total));
    setFlag(section.node, 'empty', total === 0);
    if (!container.block) setFlag(section.node, 'titled', view.blocks.length > 0);
    section.container = container;
    section.drawnAll = drawn.length === items.length;
    nodes.push(section.node);
  }

  searchEmpty ||= el('div', { className: 'search-empty' });
  const settled = !searching || ui.searchDone;
  searchEmpty.hidden = !searching || !ui.searchDone || matches > 0;
  if (searching && ui.searchDone && matches === 0) {
    searchEmpty.replaceChildren(
      icon('search', 'icon search-empty-icon'),
      el('p', { className: 'search-empty-title', text: t('No clips match “{query}”', { query: ui.query }) }),
      el('p', { className: 'search-empty-text', text: t('Try fewer letters, or press Esc to see everything.') }),
    );
  }
  const end = watchEnd();
  end.dataset.more = String(more);
  nodes.push(searchEmpty, end);
  syncChildren(boardInner(), nodes);
  // Observing afresh reports the end's position now, so a window tall enough
  // to show it at once keeps loading until it is filled.
  watcher.unobserve(end);
  if (more) watcher.observe(end);

  const total = snap.items.length;
  setText(document.getElementById('countLabel'), !settled ? t('Searching…') : searching ? shownOf(matches, total) : countLabel(total));
  sayCount(searching && settled ? ui.query : '', matches === 0
    ? t('No clips match “{query}”', { query: ui.query }) : shownOf(matches, total));
}

// A finished search's count, said once the typing has paused, and once for
// each query: a screen reader does not read the count beside the field.
let countSaidFor = '';
let countTimer = 0;
function sayCount(query, text) {
  clearTimeout(countTimer);
  if (!query) {
    countSaidFor = '';
    return;
  }
  if (query === countSaidFor) return;
  countTimer = setTimeout(() => {
    countSaidFor = query;
    announce(text);
  }, 700);
}

// The section of a block or of the open grid ('' key), as last drawn.
export function sectionFor(key) {
  return key === '' ? openSection : sections.get(key) || null;
}
