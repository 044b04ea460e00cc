import { post } from './bridge.js';
import { ui } from './state.js';
import { blockPalette } from './model.js';
import { openMenu } from './menu.js';
import { clickCard } from './selection.js';
import { focusCard } from './keyboard.js';
import { drawBoard } from './board.js';
import { explainTime } from './cards.js';
import { copyEntry, togglePin, deleteEntry, openLink, copyPlainEntry, renameBlock, setPaused } from './actions.js';
import { classify } from './preview.js';
import { t } from './i18n.js';

function blockOf(node) {
  const id = node.closest('[data-block-id]')?.dataset.blockId;
  return id === undefined ? null : ui.view.blocks.find((b) => b.id === id) || null;
}

function blockMenu(block) {
  return () => {
    const current = ui.view.blocks.find((b) => b.id === block.id) || block;
    return [
      { label: t('Rename…'), icon: 'pencil', id: 'rename', onSelect: () => renameBlock(current) },
      { heading: t('Colour') },
      { swatches: blockPalette, current: current.color, onSelect: (color) => post({ cmd: 'blockColor', id: current.id, color }) },
      'separator',
      { label: t('Delete Block'), icon: 'trash', id: 'delete', danger: true, onSelect: () => post({ cmd: 'blockDelete', id: current.id }) },
    ];
  };
}

// A card's own menu, for a right click, Shift+F10 or the Menu key on it.
function cardMenu(id) {
  return () => {
    const item = ui.view?.byId.get(id);
    if (!item) return [];
    const items = [{ label: t('Copy'), icon: 'copy', id: 'copy', onSelect: () => copyEntry(id) }];
    if (item.kind !== 'image' && classify(item.text) === 'link') {
      items.push({ label: t('Open link'), icon: 'external', id: 'open', onSelect: () => openLink(id) });
    }
    items.push(
      { label: item.pinned ? t('Unpin') : t('Pin'), icon: 'pin', id: 'pin', onSelect: () => togglePin(id) },
      'separator',
      { label: t('Delete'), icon: 'trash', id: 'delete', danger: true, onSelect: () => deleteEntry(id) },
    );
    return items;
  };
}

function blockAction(action, target) {
  const block = blockOf(target);
  if (!block) return;
  if (action === 'collapse') {
    const collapsed = !ui.collapsed.has(block.id);
    if (collapsed) ui.collapsed.add(block.id);
    else ui.collapsed.delete(block.id);
    drawBoard();
    post({ cmd: 'collapse', id: block.id, collapsed });
  } else if (action === 'blockPin') {
    post({ cmd: 'blockPin', id: block.id });
  } else if (action === 'blockMenu') {
    openMenu(`block:${block.id}`, target, blockMenu(block));
  }
}

function cardAction(action, id) {
  if (action === 'pin') togglePin(id);
  else if (action === 'delete') deleteEntry(id);
  else if (action === 'open') openLink(id);
  else if (action === 'plain') copyPlainEntry(id);
}

export function initBoardEvents() {
  const board = document.getElementById('board');
  board.addEventListener('click', (event) => {
    const actionNode = event.target.closest('[data-action]');
    const card = event.target.closest('.card');
    const action = actionNode?.dataset.action;
    if (card) {
      const id = card.dataset.id;
      focusCard(id, { scroll: false });
      if (action && actionNode !== card && card.contains(actionNode)) cardAction(action, id);
      else clickCard(id, event);
      return;
    }
    if (action === 'resume') setPaused(false);
    else if (action) blockAction(action, actionNode);
  });
  board.addEventListener('dblclick', (event) => {
    const name = event.target.closest('.block-name');
    const block = name && blockOf(name);
    if (block) renameBlock(block);
  });
  board.addEventListener('mouseover', (event) => {
    const time = event.target.closest?.('.card-time');
    if (time) explainTime(time);
  });
  // A card gets its own menu instead of the engine's (Back, Reload...), which
  // the program shows only in text fields, for their editing, and to a
  // developer who asked for the inspector.
  let menuKeyAt = -Infinity;
  document.addEventListener('keydown', (event) => {
    if (event.key === 'ContextMenu' || (event.key === 'F10' && event.shiftKey)) menuKeyAt = event.timeStamp;
  }, true);
  document.addEventListener('contextmenu', (event) => {
    // From the keys (Shift+F10, Menu) the engine aims at a point near the
    // focused card, not at it, and reports it as a right click: the card
    // with the keyboard is the one meant.
    const fromKeys = event.timeStamp - menuKeyAt < 1000;
    menuKeyAt = -Infinity;
    const card = (fromKeys ? document.activeElement : event.target)?.closest?.('.card');
    const id = card?.dataset.id;
    if (id === undefined || !ui.view?.byId.has(id)) return;
    event.preventDefault();
    focusCard(id, { scroll: false });
    openMenu(`card:${id}`, card, cardMenu(id));
  });
  // Shift-click would otherwise select the text between two cards.
  board.addEventListener('mousedown', (event) => {
    if (event.shiftKey && event.target.closest('.card')) event.preventDefault();
  });
}
