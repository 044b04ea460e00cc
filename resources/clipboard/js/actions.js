import { post } from './bridge.js';
import { ui, selectedIds, matchingItems } from './state.js';
import { showToast, announce } from './toast.js';

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

export function copyEntry(id) {
  post({ cmd: 'copy', id });
  const item = ui.view?.byId.get(id);
  showToast(item?.kind === 'image' ? 'Picture copied' : 'Copied to clipboard');
}

export function togglePin(id) {
  post({ cmd: 'pin', id });
  const item = ui.view?.byId.get(id);
  if (item) announce(item.pinned ? 'Unpinned' : 'Pinned');
}

export function deleteEntry(id) {
  post({ cmd: 'delete', id });
  announce('Deleted');
}

export function openLink(id) {
  const item = ui.view?.byId.get(id);
  if (item) post({ cmd: 'open', url: item.text.trim() });
}

export function setPaused(paused) {
  post({ cmd: 'pause', paused });
}

export function newBlock() {
  const answer = window.prompt('Name of the new block:', 'New Block');
  if (answer === null) return;
  const name = answer.trim();
  post(name === '' ? { cmd: 'blockCreate' } : { cmd: 'blockCreate', name });
}

export function renameBlock(block) {
  const name = askName('Rename the block:', block.name);
  if (name !== null && name !== block.name) post({ cmd: 'blockRename', id: block.id, name });
}

export function newSession() {
  const name = askName('Name of the new session:');
  if (name !== null) post({ cmd: 'sessionCreate', name });
}

export function renameSession(session) {
  const name = askName('Rename the session:', session.name);
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
}

export function selectionToNewBlock() {
  const ids = selectedIds();
  if (ids.length === 0) return;
  const answer = window.prompt('Name of the new block:', 'New Block');
  if (answer === null) return;
  const name = answer.trim();
  post(name === '' ? { cmd: 'blockCreate', ids } : { cmd: 'blockCreate', name, ids });
  clearSelection();
}

export function selectionToNewSession() {
  const ids = selectedIds();
  if (ids.length === 0) return;
  const name = askName(`Name of the new session for ${ids.length === 1 ? 'this clip' : `these ${ids.length} clips`}:`);
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

const pictures = (n) => (n === 1 ? '1 picture' : `${n} pictures`);

// What "Copy together" would leave out, for the selection bar: '' when
// nothing; `usable` is false when nothing would be left to copy.
export function copyTogetherNote(items) {
  const left = items.filter((item) => item.kind === 'image').length;
  if (left === 0) return { note: '', usable: items.length > 0 };
  if (left === items.length) return { note: 'Pictures cannot be copied together', usable: false };
  return { note: `${pictures(left)} left out`, usable: true };
}

// The selected texts, joined by line breaks in the order shown, go on the
// clipboard as one text; pictures have no text to give and are left out.
export function copySelectionTogether() {
  const items = selectedInShownOrder();
  const texts = items.filter((item) => item.kind !== 'image');
  if (texts.length === 0) return;
  post({ cmd: 'copyMany', ids: texts.map((item) => item.id) });
  const skipped = items.length - texts.length;
  const copied = texts.length === 1 ? 'Copied 1 clip' : `Copied ${texts.length} clips together`;
  showToast(skipped > 0 ? `${copied}, ${pictures(skipped)} left out` : copied);
  clearSelection();
}

export function pinSelection() {
  const ids = selectedIds();
  if (ids.length === 0) return;
  const allPinned = ids.every((id) => ui.view.byId.get(id)?.pinned);
  post({ cmd: 'pinMany', ids, pinned: !allPinned });
  announce(allPinned ? 'Unpinned' : 'Pinned');
}

export function deleteSelection() {
  const ids = selectedIds();
  if (ids.length === 0) return;
  post({ cmd: 'deleteMany', ids });
  announce('Deleted');
  clearSelection();
}

export function clearHistory() {
  if (window.confirm('Clear the history of this session?\n\nPinned clips are kept.')) post({ cmd: 'clear' });
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
