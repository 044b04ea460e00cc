import { decode, post } from './bridge.js';
import { fillIconSlots } from './icons.js';
import { ui } from './state.js';
import { normalize, buildView } from './model.js';
import { SearchIndex } from './search.js';
import { drawBoard } from './board.js';
import { refreshTimes, cardElement } from './cards.js';
import { drawHeader, initHeader } from './header.js';
import { initToolbar, refreshSearch } from './toolbar.js';
import { paintSelection, pruneSelection, initSelection } from './selection.js';
import { drawSettings, initSettings } from './settings.js';
import { initMenus, refreshMenu } from './menu.js';
import { initKeyboard, restoreFocus, summonSearch } from './keyboard.js';
import { initBoardEvents } from './boardEvents.js';
import { initDragAndDrop } from './dnd.js';
import { applyAppearance, initTheme } from './theme.js';
import { initPicks, paintPicks } from './picks.js';

const searchIndex = new SearchIndex();

// Redraws the whole interface from one snapshot. Page-only state (selection,
// collapsed blocks, search, focus, open panels) is carried over.
function render(snapshot) {
  const snap = normalize(snapshot);
  const hadCardFocus = document.activeElement?.classList?.contains('card') ?? false;
  ui.snap = snap;
  ui.view = buildView(snap);
  const blockIds = new Set(snap.blocks.map((b) => b.id));
  for (const id of ui.collapsed) if (!blockIds.has(id)) ui.collapsed.delete(id);
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
}

// The program calls these; decode and render must exist before the first "list".
window.__pr2clip = Object.freeze({ decode, render, focusSearch: summonSearch });

fillIconSlots(document.body);
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
setInterval(() => {
  if (ui.view) refreshTimes(ui.view.byId, Date.now());
}, 30000);

post({ cmd: 'list' });
