// Page-only state: what the user is doing with the view, kept across
// snapshots. The data itself always comes from the latest snapshot.
export const ui = {
  snap: null,
  view: null,
  hits: null,
  searchDone: true,
  query: '',
  selection: new Set(),
  anchorId: null,
  focusId: null,
  collapsed: new Set(),
  settingsOpen: false,
};

// Entries are drawn in the snapshot's order; this lists the ids the user can
// currently see (not filtered out, not in a collapsed block), top to bottom.
export function visibleIds() {
  const ids = [];
  if (!ui.view) return ids;
  const searching = ui.hits !== null;
  for (const container of ui.view.containers) {
    if (container.block && !searching && ui.collapsed.has(container.block.id)) continue;
    for (const item of container.items) {
      if (!searching || ui.hits.has(item.id)) ids.push(item.id);
    }
  }
  return ids;
}

// The selected ids in the order the snapshot lists them.
export function selectedIds() {
  if (!ui.snap) return [];
  return ui.snap.items.filter((item) => ui.selection.has(item.id)).map((item) => item.id);
}
