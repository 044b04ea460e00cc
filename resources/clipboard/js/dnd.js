import { post } from './bridge.js';
import { ui, selectedIds } from './state.js';
import { cardElement } from './cards.js';
import { orderAfterDrop } from './model.js';
import { clearSelection } from './actions.js';
import { sectionFor } from './board.js';

// Dragging cards: within a container to reorder, onto a block to file, onto
// the open grid to unfile. Each drop is one reorder of the target container,
// listing all of its ids (also those hidden by a search) in their new order.

let drag = null;
let line = null;
let highlighted = null;

function dropLine() {
  if (!line) {
    line = document.createElement('div');
    line.className = 'drop-line';
    line.hidden = true;
    document.body.append(line);
  }
  return line;
}

function containerOf(key) {
  return ui.view.containers.find((c) => c.key === key) || null;
}

function sectionAt(target) {
  return target.closest?.('[data-container]') || document.querySelector('.open[data-container]');
}

// Where a drop at the pointer would land: the container and the id to insert
// before (null for the end), plus where to draw the insertion line.
function dropTarget(event) {
  const section = sectionAt(event.target);
  if (!section) return null;
  const key = section.dataset.container;
  const container = containerOf(key);
  if (!container) return null;
  const moving = new Set(drag.ids);
  const collapsed = container.block && ui.hits === null && ui.collapsed.has(key);
  const onHead = event.target.closest('.block-head');
  if (collapsed || onHead) {
    const first = container.items.find((item) => !moving.has(item.id));
    return { key, container, section, beforeId: first ? first.id : null, line: null };
  }
  let before = null;
  let lastBox = null;
  let lastId = null;
  for (const node of section.querySelector('.grid').children) {
    const box = node.getBoundingClientRect();
    if (event.clientY < box.top || (event.clientY < box.bottom && event.clientX < box.left + box.width / 2)) {
      before = { id: node.dataset.id, box };
      break;
    }
    lastBox = box;
    lastId = node.dataset.id;
  }
  const ids = container.items.map((item) => item.id);
  let beforeId = before ? before.id : null;
  // Past the last drawn card of a container that is only partly drawn, the
  // card lands right after that one rather than at the very end.
  if (beforeId === null && lastId !== null && sectionFor(key)?.drawnAll === false) {
    beforeId = ids[ids.indexOf(lastId) + 1] ?? null;
  }
  if (beforeId !== null && moving.has(beforeId)) {
    beforeId = ids.slice(ids.indexOf(beforeId)).find((id) => !moving.has(id)) ?? null;
  }
  let where = null;
  if (before) where = { x: before.box.left - 5, top: before.box.top, height: before.box.height };
  else if (lastBox) where = { x: lastBox.right + 5, top: lastBox.top, height: lastBox.height };
  return { key, container, section, beforeId, line: where };
}

function showTarget(target) {
  if (highlighted !== target?.section) {
    highlighted?.classList.remove('drop-target');
    highlighted = target?.section || null;
    highlighted?.classList.add('drop-target');
  }
  const node = dropLine();
  if (!target || !target.line) {
    node.hidden = true;
    return;
  }
  node.hidden = false;
  node.style.transform = `translate(${Math.round(target.line.x - 1.5)}px, ${Math.round(target.line.top)}px)`;
  node.style.height = `${Math.round(target.line.height)}px`;
}

function endDrag() {
  if (!drag) return;
  for (const id of drag.ids) cardElement(id)?.classList.remove('dragging');
  document.body.classList.remove('dragging');
  drag = null;
  showTarget(null);
}

function onDragStart(event) {
  const card = event.target.closest?.('.card');
  if (!card) return;
  const id = card.dataset.id;
  const ids = ui.selection.has(id) && ui.selection.size > 1 ? selectedIds() : [id];
  drag = { ids };
  const item = ui.view.byId.get(id);
  event.dataTransfer.effectAllowed = 'copyMove';
  event.dataTransfer.setData('application/x-brimble-clips', ids.join('\n'));
  // Dropping a single text card into another application inserts its text.
  if (ids.length === 1 && item && item.kind !== 'image' && !item.textPart) event.dataTransfer.setData('text/plain', item.text);
  requestAnimationFrame(() => {
    if (!drag) return;
    document.body.classList.add('dragging');
    for (const dragged of ids) cardElement(dragged)?.classList.add('dragging');
  });
}

function onDragOver(event) {
  if (!drag) return;
  const target = dropTarget(event);
  if (!target) return;
  event.preventDefault();
  event.dataTransfer.dropEffect = 'move';
  showTarget(target);
}

function onDrop(event) {
  if (!drag) return;
  const target = dropTarget(event);
  event.preventDefault();
  if (target) {
    const ids = drag.ids;
    const order = orderAfterDrop(target.container, ids, target.beforeId, ui.view.byId);
    const before = target.container.items.map((item) => item.id);
    const unchanged = order.length === before.length && order.every((id, i) => id === before[i]);
    if (!unchanged) {
      post(target.key === '' ? { cmd: 'reorder', order } : { cmd: 'reorder', order, blockId: target.key });
      if (ids.length > 1) clearSelection();
    }
  }
  endDrag();
}

export function initDragAndDrop() {
  const board = document.getElementById('board');
  board.addEventListener('dragstart', onDragStart);
  board.addEventListener('dragover', onDragOver);
  board.addEventListener('drop', onDrop);
  document.addEventListener('dragend', endDrag);
  board.addEventListener('dragleave', (event) => {
    if (drag && !board.contains(event.relatedTarget)) showTarget(null);
  });
  // Files or text dragged in from elsewhere must never make the view navigate.
  for (const type of ['dragover', 'drop']) {
    document.addEventListener(type, (event) => {
      if (drag) return;
      event.preventDefault();
      if (event.dataTransfer) event.dataTransfer.dropEffect = 'none';
    });
  }
}
