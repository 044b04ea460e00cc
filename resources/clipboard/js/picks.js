import { ui, visibleIds } from './state.js';
import { forEachCard } from './cards.js';
import { copyEntry } from './actions.js';
import { menuOpen } from './menu.js';

// Quick picks: Control+1 … Control+9 copy the first nine entries the board
// shows (the results, while searching). While Control is held, each of those
// cards wears its digit.

const pickCount = 9;
const digitKey = /^(?:Digit|Numpad)([1-9])$/;
let showing = false;

// The digit of a quick-pick key press, or 0. The physical key is read, so a
// layout that types digits with Shift (AZERTY) picks all the same.
export function pickDigit(event) {
  if (!event.ctrlKey || event.altKey || event.metaKey) return 0;
  const match = digitKey.exec(event.code || '');
  return match ? Number(match[1]) : 0;
}

function available() {
  return ui.view !== null && !ui.settingsOpen && !menuOpen();
}

// Copies the pick of `digit`; true when the key was a quick pick at all.
export function runPick(digit) {
  if (!available()) return false;
  const id = visibleIds()[digit - 1];
  if (id !== undefined) copyEntry(id);
  return true;
}

// Puts the digits on the first nine shown cards, or takes them off.
export function paintPicks() {
  const picks = new Map();
  if (showing && available()) visibleIds().slice(0, pickCount).forEach((id, i) => picks.set(id, String(i + 1)));
  forEachCard((id, node) => {
    const digit = picks.get(id);
    if (digit === undefined) {
      if (node.dataset.pick !== undefined) delete node.dataset.pick;
    } else if (node.dataset.pick !== digit) {
      node.dataset.pick = digit;
    }
  });
  document.body.classList.toggle('picking', picks.size > 0);
}

function setShowing(on) {
  if (showing === on) return;
  showing = on;
  paintPicks();
}

export function initPicks() {
  document.addEventListener('keydown', (event) => {
    if (event.key === 'Control') setShowing(true);
    else if (showing && !event.ctrlKey) setShowing(false);
  });
  document.addEventListener('keyup', (event) => {
    if (event.key === 'Control') setShowing(false);
  });
  // Control let go in another window sends no keyup here.
  window.addEventListener('blur', () => setShowing(false));
  document.addEventListener('mousedown', (event) => {
    if (showing && !event.ctrlKey) setShowing(false);
  });
}
