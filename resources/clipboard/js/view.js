import { ui } from './state.js';
import { post } from './bridge.js';
import { revealMore } from './board.js';
import { openSettings } from './settings.js';
import { focusSearch } from './toolbar.js';
import { cardElement } from './cards.js';

// A hidden window's page is released after a while and a new one is built
// when the window comes back. What the user left on screen is handed to the
// program as the window is hidden, and the new page's first snapshot brings it
// back, so the window reopens as it was left.

const board = () => document.getElementById('board');

function currentView() {
  return {
    query: ui.query,
    scrollTop: Math.round(board().scrollTop),
    selection: [...ui.selection],
    focusId: ui.focusId ?? '',
    settingsOpen: ui.settingsOpen,
  };
}

// A page hidden before its first snapshot shows nothing the user left: its
// empty view would replace the one the program keeps for the next page.
let viewTaken = false;

export function initViewReport() {
  document.addEventListener('visibilitychange', () => {
    if (document.hidden && viewTaken) post({ cmd: 'view', view: currentView() });
  });
}

// Before the first snapshot is drawn: the search and the selection it showed.
// Entries that are gone since are dropped by the usual pruning.
export function takeView(view) {
  viewTaken = true;
  ui.query = view.query;
  document.getElementById('search').value = view.query;
  document.body.classList.toggle('has-query', view.query !== '');
  ui.selection = new Set(view.selection);
  ui.focusId = view.focusId || null;
}

// After the first snapshot is drawn: the scroll position, the settings sheet,
// and the keyboard where it was (the search field unless a sheet was open).
function restoreScroll(top) {
  const scroller = board();
  while (scroller.scrollHeight - scroller.clientHeight < top && revealMore());
  scroller.scrollTop = top;
}

export function restoreView(view) {
  restoreScroll(view.scrollTop);
  // A restored search that takes more than a slice adds its cards in later frames, and the
  // board may not reach the scroll position until then.
  if (!ui.searchDone) ui.afterSearch = () => restoreScroll(view.scrollTop);
  if (view.settingsOpen) openSettings();
  else focusSearch();
  if (ui.focusId !== null && !cardElement(ui.focusId)) ui.focusId = null;
}
