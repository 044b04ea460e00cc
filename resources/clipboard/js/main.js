import { decode, fetchSnapshot, post } from './bridge.js';
import { fillIconSlots } from './icons.js';
import { ui } from './state.js';
import { normalize, buildView, mergeTexts } from './model.js';
import { SearchIndex } from './search.js';
import { drawBoard } from './board.js';
import { refreshTimes, cardElement } from './cards.js';
import { drawHeader, initHeader } from './header.js';
import { initToolbar, refreshSearch } from './toolbar.js';
import { paintSelection, pruneSelection, initSelection } from './selection.js';
import { drawSettings, initSettings } from './settings.js';
import { initMenus, refreshMenu } from './menu.js';
import { focusSearchUnlessSheet, initKeyboard, menuUndo, readyForKeys, restoreFocus, summonSearch } from './keyboard.js';
import { initBoardEvents } from './boardEvents.js';
import { initDragAndDrop } from './dnd.js';
import { applyAppearance, initTheme } from './theme.js';
import { initPicks, paintPicks } from './picks.js';
import { initViewReport, restoreView, takeView } from './view.js';
import { initFocusOrder } from './focusOrder.js';
import { translateMarkup } from './i18n.js';
import { followUndo } from './undo.js';

const searchIndex = new SearchIndex();
// The program keeps which blocks are collapsed, and the view the last page was
// left in, for the next page it builds; this page takes them from its first
// snapshot and owns them afterwards.
let viewRestored = false;

// Redraws the whole interface from one snapshot. Page-only state (selection,
// collapsed blocks, search, focus, open panels) is carried over. A snapshot
// that names a text this page does not hold is not drawn: the page asks for
// the whole state again, as a page that has just started does.
function render(snapshot) {
  const texts = mergeTexts(snapshot, ui.texts);
  if (texts === null) {
    post({ cmd: 'list' });
    return;
  }
  ui.texts = texts;
  const snap = normalize(snapshot);
  const hadCardFocus = document.activeElement?.classList?.contains('card') ?? false;
  ui.snap = snap;
  ui.view = buildView(snap);
  const first = !viewRestored;
  if (first) {
    viewRestored = true;
    ui.collapsed = new Set(snap.collapsed);
    takeView(snap.view);
  }
  // Collapsed blocks of other sessions stay collapsed for when their session
  // is shown again; a deleted block's id is never drawn and costs nothing.
  pruneSelection();
  searchIndex.sync(snap.items);
  refreshSearch();
  applyAppearance(snap.appearanceMode);
  document.body.classList.add('ready');
  drawHeader();
  drawBoard();
  paintSelection();
  drawSettings();
  refreshMenu();
  paintPicks();
  restoreFocus(hadCardFocus && ui.focusId !== null && cardElement(ui.focusId) !== null);
  followUndo(snap);
  if (first) {
    restoreView(snap.view);
    // Lets the benchmark tell how long a new page took to show the state.
    performance.mark('first-snapshot-drawn');
  }
}

// Draws the snapshot the program keeps at `url`; done once it is drawn. A
// snapshot that cannot be had leaves the board as it is.
async function pull(url) {
  const snapshot = await fetchSnapshot(url);
  if (snapshot !== null) render(snapshot);
}

// The program calls these; they must exist before the first "list".
window.__pr2clip = Object.freeze({ decode, render, pull, summonSearch, focusSearch: focusSearchUnlessSheet, readyForKeys, menuUndo });

fillIconSlots(document.body);
translateMarkup();
initTheme();
initMenus();
initHeader();
initToolbar(searchIndex);
initSelection();
initSettings();
initBoardEvents();
initDragAndDrop();
initKeyboard();
initPicks();
initViewReport();
initFocusOrder();

// The relative times ("5 min ago") tick only while the page can be seen: a
// hidden window's page wakes nothing, and catches up when it is shown.
let timesTimer = null;
function followVisibility() {
  clearInterval(timesTimer);
  timesTimer = null;
  if (document.hidden) return;
  if (ui.view) refreshTimes(ui.view.byId, Date.now());
  timesTimer = setInterval(() => {
    if (ui.view) refreshTimes(ui.view.byId, Date.now());
  }, 30000);
}
document.addEventListener('visibilitychange', followVisibility);
followVisibility();

post({ cmd: 'list' });
