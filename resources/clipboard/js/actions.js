import { post } from './bridge.js';
import { ui, selectedIds, matchingItems } from './state.js';
import { showToast, announce } from './toast.js';
import { t, nt } from './i18n.js';
import { focusCard } from './keyboard.js';

// Every user action is one command; the view changes when the snapshot that
// answers it arrives.

// Asks for a name; null when the user cancelled. Blank answers count as
// cancelled too, since the program would ignore them anyway.
function askName(message, initial = '') {
  const answer = window.prompt(message, initial);
  if (answer === null) return null;
  const name = answer.trim();
  return name === '' ? null : name;
}

// The entry's text alone, without the formatting or files it was copied with.
// A picture still on its way has nothing to copy: the clipboard keeps what it holds.
function stillOnItsWay(item) {
  if (!item?.waiting) return false;
  showToast(t('The picture has not arrived yet: nothing was copied'));
  return true;
}

export function copyPlainEntry(id) {
  const item = ui.view?.byId.get(id);
  if (stillOnItsWay(item)) return;
  post({ cmd: 'copyPlain', id });
  showToast(item?.kind === 'image' ? t('Picture copied') : t('Copied as plain text'));
}

export function copyEntry(id) {
  const item = ui.view?.byId.get(id);
  if (stillOnItsWay(item)) return;
  post({ cmd: 'copy', id });
  showToast(item?.kind === 'image' ? t('Picture copied') : t('Copied to clipboard'));
}

export function togglePin(id) {
  post({ cmd: 'pin', id });
  const item = ui.view?.byId.get(id);
  if (item) announce(item.pinned ? t('Unpinned') : t('Pinned'));
}

export function deleteEntry(id) {
  // The snapshot that answers says what went and offers to undo it.
  post({ cmd: 'delete', id });
}

export function openLink(id) {
  const item = ui.view?.byId.get(id);
  // A link cut short would open the wrong page; the whole text comes a moment later.
  if (item && !item.textPart) post({ cmd: 'open', url: item.text.trim() });
}

export function setPaused(paused) {
  post({ cmd: 'pause', paused });
}

export function newBlock() {
  const answer = window.prompt(t('Name of the new block:'), t('New Block'));
  if (answer === null) return;
  const name = answer.trim();
  post(name === '' ? { cmd: 'blockCreate' } : { cmd: 'blockCreate', name });
}

export function renameBlock(block) {
  const name = askName(t('Rename the block:'), block.name);
  if (name !== null && name !== block.name) post({ cmd: 'blockRename', id: block.id, name });
}

export function newSession() {
  const name = askName(t('Name of the new session:'));
  if (name !== null) post({ cmd: 'sessionCreate', name });
}

export function renameSession(session) {
  const name = askName(t('Rename the session:'), session.name);
  if (name !== null && name !== session.name) post({ cmd: 'sessionRename', id: session.id, name });
}

export function switchSession(id) {
  if (id !== ui.snap?.activeSessionId) post({ cmd: 'sessionSwitch', id });
}

// Selection actions act on every selected entry at once.

export function moveSelection(blockId) {
  const ids = selectedIds();
  if (ids.length === 0) return;
  post(blockId === null ? { cmd: 'moveToBlock', ids } : { cmd: 'moveToBlock', ids, blockId });
  clearSelection();
  // The keyboard follows the first moved card to its new place; with the bar
  // gone it would be nowhere.
  focusCard(ids[0]);
}

export function selectionToNewBlock() {
  const ids = selectedIds();
  if (ids.length === 0) return;
  const answer = window.prompt(t('Name of the new block:'), t('New Block'));
  if (answer === null) return;
  const name = answer.trim();
  post(name === '' ? { cmd: 'blockCreate', ids } : { cmd: 'blockCreate', name, ids });
  clearSelection();
  focusCard(ids[0]);
}

export function selectionToNewSession() {
  const ids = selectedIds();
  if (ids.length === 0) return;
  const name = askName(nt('Name of the new session for this clip:', 'Name of the new session for these {n} clips:', ids.length));
  if (name === null) return;
  post({ cmd: 'sessionSaveSelection', ids, name });
  clearSelection();
}

// The selected entries in the order the board shows them; selected cards the
// search hides follow, in their containers' order.
export function selectedInShownOrder() {
  if (!ui.view) return [];
  const shown = ui.view.containers.flatMap((container) => matchingItems(container.items));
  const all = ui.view.containers.flatMap((container) => container.items);
  const seen = new Set();
  const out = [];
  for (const item of [...shown, ...all]) {
    if (ui.selection.has(item.id) && !seen.has(item.id)) {
      seen.add(item.id);
      out.push(item);
    }
  }
  return out;
}

const leftOut = (n) => nt('{n} picture left out', '{n} pictures left out', n);

// What "Copy together" would leave out, for the selection bar: '' when
// nothing; `usable` is false when nothing would be left to copy.
export function copyTogetherNote(items) {
  const left = items.filter((item) => item.kind === 'image').length;
  if (left === 0) return { note: '', usable: items.length > 0, title: t('Copy the selected texts as one text, one after another') };
  if (left === items.length) {
    return { note: t('Pictures cannot be copied together'), usable: false, title: t('Copy the selected texts as one text (pictures cannot be copied together)') };
  }
  return {
    note: leftOut(left),
    usable: true,
    title: nt('Copy the selected texts as one text ({n} picture left out)', 'Copy the selected texts as one text ({n} pictures left out)', left),
  };
}

// The selected texts, joined by line breaks in the order shown, go on the
// clipboard as one text; pictures have no text to give and are left out.
export function copySelectionTogether() {
  const items = selectedInShownOrder();
  const texts = items.filter((item) => item.kind !== 'image');
  if (texts.length === 0) return;
  post({ cmd: 'copyMany', ids: texts.map((item) => item.id) });
  const skipped = items.length - texts.length;
  const copied = nt('Copied {n} clip', 'Copied {n} clips together', texts.length);
  showToast(skipped > 0 ? t('{copied}, {left}', { copied, left: leftOut(skipped) }) : copied);
  clearSelection();
}

export function pinSelection() {
  const ids = selectedIds();
  if (ids.length === 0) return;
  const allPinned = ids.every((id) => ui.view.byId.get(id)?.pinned);
  post({ cmd: 'pinMany', ids, pinned: !allPinned });
  announce(allPinned ? t('Unpinned') : t('Pinned'));
}

export function deleteSelection() {
  const ids = selectedIds();
  if (ids.length === 0) return;
  post({ cmd: 'deleteMany', ids });
  clearSelection();
}

export function clearHistory() {
  if (window.confirm(t('Clear the history of this session?\n\nPinned clips are kept.'))) post({ cmd: 'clear' });
}

// Selection is page-only state; listeners redraw the marks and the bar.
const selectionListeners = [];
export function onSelectionChange(fn) {
  selectionListeners.push(fn);
}
export function selectionChanged() {
  for (const fn of selectionListeners) fn();
}
export function clearSelection() {
  if (ui.selection.size === 0) return;
  ui.selection.clear();
  ui.anchorId = null;
  selectionChanged();
}
