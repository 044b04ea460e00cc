import { ui, visibleIds, tabStopId } from './state.js';
import { cardElement, forEachCard } from './cards.js';
import { menuKey, menuOpen } from './menu.js';
import { post } from './bridge.js';
import { copyEntry, copyPlainEntry, togglePin, deleteEntry, clearSelection, openLink } from './actions.js';
import { toggleSelected, selectAllVisible } from './selection.js';
import { closeSettings } from './settings.js';
import { clearSearch, focusSearch } from './toolbar.js';
import { revealCard, revealMore } from './board.js';
import { pickDigit, runPick } from './picks.js';
import { canUndo, undoLast } from './undo.js';

// A focus ring moves over the cards with the arrow keys: the focused card is
// the only one in the tab order, so Tab leaves the board in one step.
export function focusCard(id, { scroll = true } = {}) {
  if (id !== null) revealCard(id);
  const node = id === null ? null : cardElement(id);
  if (!node) return;
  if (ui.focusId !== id) {
    const old = ui.focusId === null ? null : cardElement(ui.focusId);
    if (old) old.tabIndex = -1;
    ui.focusId = id;
  }
  node.tabIndex = 0;
  node.focus({ preventScroll: true });
  if (scroll) node.scrollIntoView({ block: 'nearest' });
}

// The program's desktop-wide key shows the window ready to type a search:
// whatever sheet was left open is closed first.
export function summonSearch() {
  closeSettings();
  focusSearch();
}

// Every other way of showing the window also leaves it ready to type a
// search, unless the settings sheet was left open: the keyboard stays there.
export function focusSearchUnlessSheet() {
  if (!ui.settingsOpen) focusSearch();
}

// A page built while the user was already typing: the program holds those
// keys until the page has put the keyboard where it belongs ("summon" or
// "focus", as the window was asked for) and drawn the result, since the web
// view hands keys on according to the focus it last saw drawn.
export function readyForKeys(how) {
  if (how === 'summon') summonSearch();
  else if (how === 'focus') focusSearchUnlessSheet();
  requestAnimationFrame(() => requestAnimationFrame(() => post({ cmd: 'keysReady' })));
}

// Escape with nothing left to close puts the window away, as the key that
// brought it did; the program keeps recording.
function hideWindow() {
  post({ cmd: 'hide' });
}

// Keeps the focus ring on its card across a redraw (moving a node drops focus).
// The card list is always one stop of the tab order: the focused card's, or
// the first shown card while the keyboard has not been among the cards yet.
export function restoreFocus(hadCardFocus) {
  if (ui.focusId !== null && !ui.view.byId.has(ui.focusId)) ui.focusId = null;
  const stop = tabStopId();
  forEachCard((id, node) => {
    const want = id === stop ? 0 : -1;
    if (node.tabIndex !== want) node.tabIndex = want;
  });
  if (hadCardFocus && ui.focusId !== null) cardElement(ui.focusId)?.focus({ preventScroll: true });
}

function neighbour(id, key) {
  const order = visibleIds();
  if (order.length === 0) return null;
  const at = order.indexOf(id);
  if (at < 0) return order[0];
  if (key === 'ArrowRight') return order[Math.min(at + 1, order.length - 1)];
  if (key === 'ArrowLeft') return order[Math.max(at - 1, 0)];
  if (key === 'Home') return order[0];
  if (key === 'End') return order[order.length - 1];
  // Up and Down go to the card visually above or below, which may sit in
  // another block: the nearest row in that direction, then the nearest column.
  revealCard(id);
  const from = cardElement(id).getBoundingClientRect();
  const down = key === 'ArrowDown';
  let best = null;
  let bestScore = Infinity;
  for (const other of order) {
    const node = cardElement(other);
    if (other === id || !node?.isConnected) continue;
    const box = node.getBoundingClientRect();
    const dy = down ? box.top - from.bottom : from.top - box.bottom;
    if (dy < -1) continue;
    const score = Math.round(dy) * 10000 + Math.abs(box.left - from.left);
    if (score < bestScore) {
      bestScore = score;
      best = other;
    }
  }
  // Below the last drawn card there may be more to draw.
  if (best === null && down && revealMore()) return neighbour(id, key);
  return best ?? id;
}

// The id the keyboard acts on: the focused card if it is still visible.
function targetId() {
  if (ui.focusId === null) return null;
  return visibleIds().includes(ui.focusId) ? ui.focusId : null;
}

// Where the ring goes when its card is deleted: the next card, else the previous.
function afterRemoval(id) {
  const order = visibleIds();
  const at = order.indexOf(id);
  return order[at + 1] ?? order[at - 1] ?? null;
}

const moveKeys = new Set(['ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight', 'Home', 'End']);

function onCardKey(event) {
  const id = targetId();
  if (moveKeys.has(event.key)) {
    const order = visibleIds();
    const start = event.key === 'End' ? order[order.length - 1] : order[0];
    const next = id === null ? start ?? null : neighbour(id, event.key);
    if (next !== null) focusCard(next);
    return true;
  }
  if (id === null) return false;
  const plain = !event.ctrlKey && !event.metaKey && !event.altKey;
  if (event.key === 'Enter' && plain && event.shiftKey) {
    copyPlainEntry(id);
  } else if (event.key === 'Enter' && plain) {
    copyEntry(id);
  } else if ((event.key === 'Delete' || event.key === 'Backspace') && plain) {
    const next = afterRemoval(id);
    deleteEntry(id);
    if (next !== null) focusCard(next);
  } else if ((event.key === 'p' || event.key === 'P') && plain) {
    togglePin(id);
  } else if (event.key === ' ' && plain) {
    toggleSelected(id);
  } else if ((event.key === 'o' || event.key === 'O') && plain && cardElement(id)?.dataset.kind === 'link') {
    openLink(id);
  } else {
    return false;
  }
  return true;
}

function inTextField(target) {
  return target instanceof HTMLInputElement || target instanceof HTMLTextAreaElement || target?.isContentEditable;
}

// Whether an undo with the keyboard at `target` is the page's (a delete or a
// clear) rather than the engine's undo of typing.
function pageUndoFor(target) {
  return canUndo() && !(inTextField(target) && target.value);
}

// Edit ▸ Undo in the program's menu does what Control+Z does; the program runs
// the engine's text undo when told 'text'.
export function menuUndo() {
  if (!pageUndoFor(document.activeElement)) return 'text';
  undoLast();
  return 'page';
}

function onKey(event) {
  const accel = event.ctrlKey || event.metaKey;
  if (accel && !event.altKey && (event.key === 'f' || event.key === 'F')) {
    event.preventDefault();
    focusSearch();
    return;
  }
  if (menuKey(event)) {
    event.preventDefault();
    return;
  }
  // Control+Z takes back a delete or a clear, except where a field holds text
  // of its own to undo.
  if (accel && !event.altKey && !event.shiftKey && (event.key === 'z' || event.key === 'Z') && pageUndoFor(event.target)) {
    event.preventDefault();
    undoLast();
    return;
  }
  // Quick picks work from the search field too: type, then pick a result.
  const digit = pickDigit(event);
  if (digit > 0 && runPick(digit)) {
    event.preventDefault();
    return;
  }
  const target = event.target;
  if (target?.id === 'search') {
    if (event.key === 'Escape') {
      event.preventDefault();
      if (ui.query !== '') clearSearch();
      else hideWindow();
    } else if (event.key === 'ArrowDown' || (event.key === 'Enter' && !accel)) {
      const id = targetId() ?? visibleIds()[0] ?? null;
      if (id === null) return;
      event.preventDefault();
      if (event.key === 'Enter') copyEntry(id);
      focusCard(id);
    }
    return;
  }
  if (event.key === 'Escape') {
    if (ui.settingsOpen) closeSettings();
    else if (ui.selection.size > 0) clearSelection();
    else if (ui.query !== '') clearSearch();
    // From the board, or from nowhere; on a button of the header Escape was
    // pressed to get out of something, and the window vanishing is a surprise.
    else if (target === document.body || document.getElementById('board').contains(target)) hideWindow();
    event.preventDefault();
    return;
  }
  if (inTextField(target) || ui.settingsOpen || menuOpen()) return;
  if (target instanceof HTMLButtonElement && (event.key === 'Enter' || event.key === ' ')) return;
  if (accel && !event.altKey && (event.key === 'a' || event.key === 'A')) {
    event.preventDefault();
    selectAllVisible();
    return;
  }
  if (event.key === '/' && !accel) {
    event.preventDefault();
    focusSearch();
    return;
  }
  if (onCardKey(event)) event.preventDefault();
}

// When the window gets the keyboard back (a dialog of the program closed, the
// program's key brought it up), the toolkit tells a screen reader that the web
// view has it, an unnamed filler; the page's own focus did not move, so nothing
// named followed. Focusing the control again is heard as a move onto it.
// A key pressed before then means the user is typing already: a blur would end
// an input method's composition and cost them the letter.
let sayFocusTimer = 0;
let typedSinceFocus = false;
function sayFocusAgain() {
  clearTimeout(sayFocusTimer);
  typedSinceFocus = false;
  // After the toolkit's own word about the view, which comes at once.
  sayFocusTimer = setTimeout(() => {
    const node = document.activeElement;
    if (typedSinceFocus || !node || node === document.body || !document.hasFocus()) return;
    const field = node instanceof HTMLInputElement && node.type !== 'number' ? node : null;
    const kept = field ? [field.selectionStart, field.selectionEnd, field.selectionDirection] : null;
    node.blur();
    node.focus({ preventScroll: true });
    if (kept) field.setSelectionRange(...kept);
  }, 60);
}

export function initKeyboard() {
  window.addEventListener('focus', (event) => {
    if (event.target === window) sayFocusAgain();
  });
  document.addEventListener('keydown', () => { typedSinceFocus = true; }, true);
  document.addEventListener('keydown', onKey);
  // A card reached with Tab, or clicked, is the one the keys act on.
  document.addEventListener('focusin', (event) => {
    const id = event.target.closest?.('.card')?.dataset.id;
    if (id !== undefined && id !== ui.focusId) focusCard(id, { scroll: false });
  });
}
