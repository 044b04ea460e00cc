import { ui } from './state.js';
import { drawBoard, resetBudget, noteTyping } from './board.js';
import { newBlock } from './actions.js';

const searchField = () => document.getElementById('search');
let searchIndex = null;

// Every entry of the session in display order, collapsed blocks included:
// a search shows the matches inside them too.
function allIds() {
  return ui.view.containers.flatMap((container) => container.items.map((item) => item.id));
}

// Starts the search for the current query. The first results are set before
// this returns; results that take longer redraw the board when they arrive.
function startSearch() {
  let first = true;
  searchIndex.search(ui.query, allIds(), (found, done) => {
    ui.hits = found?.hits ?? null;
    ui.closeHits = found?.close ?? null;
    ui.searchDone = done;
    if (!first) drawBoard();
    if (done && ui.afterSearch) {
      const then = ui.afterSearch;
      ui.afterSearch = null;
      then();
    }
  });
  first = false;
}

function runSearch() {
  const query = searchField().value;
  if (query === ui.query) return;
  ui.query = query;
  ui.afterSearch = null;
  document.body.classList.toggle('has-query', query !== '');
  resetBudget();
  document.getElementById('board').scrollTop = 0;
  startSearch();
  drawBoard();
}

export function focusSearch() {
  const field = searchField();
  field.focus();
  field.select();
}

export function clearSearch() {
  searchField().value = '';
  runSearch();
}

// Re-applies the kept query to a new snapshot; the caller draws.
export function refreshSearch() {
  startSearch();
}

export function initToolbar(index) {
  searchIndex = index;
  searchField().addEventListener('input', () => {
    noteTyping();
    runSearch();
  });
  document.getElementById('newBlockButton').addEventListener('click', newBlock);
}
