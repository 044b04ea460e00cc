import { post } from './bridge.js';
import { ui, visibleIds } from './state.js';
import { announce, hideUndoNotice, showToast, showUndoNotice } from './toast.js';
import { t, nt } from './i18n.js';
import { focusCard } from './keyboard.js';

// A delete or a clear can be taken back for a few seconds: the program keeps
// what went and says so in each snapshot ("undo"); the notice offers it as
// long as the snapshots do, and Control+Z does the same.
const OFFER_MS = 10000;
let shownSerial = 0;
// The entries shown before an undo was asked for: the first card that is new
// afterwards is one that came back, and takes the keyboard.
let before = null;

function whatWent(undo) {
  if (undo.kind === 'clear') return t('History cleared');
  return undo.count === 1 ? t('Deleted') : nt('{n} clip deleted', '{n} clips deleted', undo.count);
}

// Called with each snapshot.
export function followUndo(snap) {
  const undo = snap.undo;
  if (before !== null) {
    const back = visibleIds().find((id) => !before.has(id));
    before = null;
    if (back !== undefined) focusCard(back);
  }
  if (undo === null) {
    hideUndoNotice();
    return;
  }
  if (undo.serial === shownSerial) return;
  shownSerial = undo.serial;
  const done = whatWent(undo);
  showUndoNotice(done, t('Undo'), undoLast, OFFER_MS);
  // TRANSLATORS: {done} is what was just done, such as "Deleted"; said to screen readers.
  announce(t('{done}. Undo with Control+Z', { done }));
}

export function canUndo() {
  return Boolean(ui.snap?.undo);
}

export function undoLast() {
  if (!canUndo()) return;
  before = new Set(ui.view ? ui.view.byId.keys() : []);
  post({ cmd: 'undo' });
  hideUndoNotice();
  showToast(t('Restored'));
}
