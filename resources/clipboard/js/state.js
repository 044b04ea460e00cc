// Page-only state: what the user is doing with the view, kept across
// snapshots. The data itself always comes from the latest snapshot.
export const ui = {
  snap: null,
  // The texts of the entries of the last snapshot taken, by entry id: later
  // snapshots name these instead of sending them again (see mergeTexts).
  texts: new Map(),
  view: null,
  hits: null,
  closeHits: null,
  searchDone: true,
  // Run once when the running search has found every match (see restoreView).
  afterSearch: null,
  query: '',
  selection: new Set(),
  anchorId: null,
  focusId: null,
  collapsed: new Set(),
  settingsOpen: false,
};

// The entries of one container that the search lets through, in the order
// drawn: those holding the query first, then the close matches.
export function matchingItems(items) {
  if (ui.hits === null) return items;
  const close = ui.closeHits;
  if (close === null || close.size === 0) return items.filter((item) => ui.hits.has(item.id));
  const exact = items.filter((item) => ui.hits.has(item.id) && !close.has(item.id));
  return exact.concat(items.filter((item) => close.has(item.id)));
}

// Entries are drawn in the snapshot's order; this lists the ids the user can
// currently see (not filtered out, not in a collapsed block), top to bottom.
export function visibleIds() {
  const ids = [];
  if (!ui.view) return ids;
  const searching = ui.hits !== null;
  for (const container of ui.view.containers) {
    if (container.block && !searching && ui.collapsed.has(container.block.id)) continue;
    for (const item of matchingItems(container.items)) ids.push(item.id);
  }
  return ids;
}

// The selected ids in the order the snapshot lists them.
export function selectedIds() {
  if (!ui.snap) return [];
  return ui.snap.items.filter((item) => ui.selection.has(item.id)).map((item) => item.id);
}

// The card that stands for the whole card list in the tab order: the focused
// card while it is shown, else the first shown card.
export function tabStopId() {
  const ids = visibleIds();
  return ui.focusId !== null && ids.includes(ui.focusId) ? ui.focusId : ids[0] ?? null;
}
