import { ui, visibleIds, selectedIds } from './state.js';
import { forEachCard, setSelected } from './cards.js';
import { setFlag, setText } from './dom.js';
import { openMenu } from './menu.js';
import {
  copyEntry, moveSelection, selectionToNewBlock, selectionToNewSession, pinSelection,
  deleteSelection, clearSelection, selectionChanged, onSelectionChange,
  copySelectionTogether, copyTogetherNote, selectedInShownOrder,
} from './actions.js';
import { t, nt } from './i18n.js';

// A plain click copies; Control (or Command) toggles one card; Shift adds
// the contiguous run of visible cards from the last toggled card.
export function clickCard(id, event) {
  const toggle = event.ctrlKey || event.metaKey;
  if (event.shiftKey) {
    const order = visibleIds();
    const from = ui.anchorId === null ? -1 : order.indexOf(ui.anchorId);
    const to = order.indexOf(id);
    if (from < 0 || to < 0) {
      ui.selection.add(id);
      ui.anchorId = id;
    } else {
      for (let i = Math.min(from, to); i <= Math.max(from, to); i++) ui.selection.add(order[i]);
    }
    selectionChanged();
  } else if (toggle) {
    if (ui.selection.has(id)) ui.selection.delete(id);
    else ui.selection.add(id);
    ui.anchorId = id;
    selectionChanged();
  } else {
    copyEntry(id);
  }
}

export function toggleSelected(id) {
  if (ui.selection.has(id)) ui.selection.delete(id);
  else ui.selection.add(id);
  ui.anchorId = id;
  selectionChanged();
}

export function selectAllVisible() {
  for (const id of visibleIds()) ui.selection.add(id);
  selectionChanged();
}

// Drops selected ids that the latest snapshot no longer holds.
export function pruneSelection() {
  const byId = ui.view.byId;
  for (const id of ui.selection) if (!byId.has(id)) ui.selection.delete(id);
  if (ui.anchorId !== null && !byId.has(ui.anchorId)) ui.anchorId = null;
}

function moveMenu() {
  const ids = selectedIds();
  const filed = ids.some((id) => ui.view.byId.get(id)?.blockId);
  const items = [];
  if (ui.view.blocks.length > 0) items.push({ heading: t('Move to') });
  for (const block of ui.view.blocks) {
    items.push({ label: block.name, color: block.color, id: block.id, onSelect: () => moveSelection(block.id) });
  }
  if (filed) items.push({ label: t('Out of Its Block'), icon: 'unfile', id: 'unfile', onSelect: () => moveSelection(null) });
  if (items.length > 0) items.push('separator');
  items.push({ label: t('New Block…'), icon: 'plus', id: 'newBlock', onSelect: selectionToNewBlock });
  return items;
}

// Marks selected cards and shows the floating bar while anything is selected.
export function paintSelection() {
  forEachCard((id, node) => setSelected(node, ui.selection.has(id)));
  const bar = document.getElementById('selectionBar');
  const count = ui.selection.size;
  if (bar.hidden !== (count === 0)) bar.hidden = count === 0;
  document.body.classList.toggle('selecting', count > 0);
  if (count === 0) return;
  setText(document.getElementById('selectionCount'), nt('{n} selected', '{n} selected', count));
  const allPinned = selectedIds().every((id) => ui.view.byId.get(id)?.pinned);
  setText(document.getElementById('selPinLabel'), allPinned ? t('Unpin') : t('Pin'));
  document.getElementById('selPin').title = allPinned ? t('Unpin the selected clips') : t('Pin the selected clips');
  paintCopyTogether();
  fitBar(bar);
}

// A label may wrap onto two lines; labels that would need more, or push the
// bar (and its clear button) past the window's edge, give way to icons alone.
// Longer languages need this at wider windows than English does.
const TWO_LINES_PX = 50;
function fitBar(bar) {
  bar.classList.remove('compact');
  const tooTall = [...bar.querySelectorAll('.bar-button')].some((button) => button.getBoundingClientRect().height > TWO_LINES_PX);
  if (tooTall || bar.scrollWidth > bar.clientWidth + 1) bar.classList.add('compact');
}

// The bar says when pictures in the selection will not be part of the text.
function paintCopyTogether() {
  const { note, usable, title } = copyTogetherNote(selectedInShownOrder());
  const noteEl = document.getElementById('selCopyNote');
  setText(noteEl, note);
  if (noteEl.hidden !== (note === '')) noteEl.hidden = note === '';
  const button = document.getElementById('selCopy');
  if (button.disabled === usable) button.disabled = !usable;
  button.title = title;
}

export function initSelection() {
  onSelectionChange(paintSelection);
  window.addEventListener('resize', () => {
    const bar = document.getElementById('selectionBar');
    if (!bar.hidden) fitBar(bar);
  });
  const move = document.getElementById('selMove');
  move.addEventListener('click', () => openMenu('move', move, moveMenu));
  document.getElementById('selSession').addEventListener('click', selectionToNewSession);
  document.getElementById('selCopy').addEventListener('click', copySelectionTogether);
  document.getElementById('selPin').addEventListener('click', pinSelection);
  document.getElementById('selDelete').addEventListener('click', deleteSelection);
  document.getElementById('selClear').addEventListener('click', clearSelection);
  // The tooltips say more than the labels: one that repeats its label is read out twice, as the
  // button's name and as its description.
  const titles = [
    ['selMove', t('Move the selected clips to a block')],
    ['selSession', t('Save the selected clips as a new session')],
    ['selDelete', t('Delete the selected clips')],
  ];
  for (const [id, title] of titles) document.getElementById(id).title = title;
}
