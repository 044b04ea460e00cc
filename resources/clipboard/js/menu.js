import { el } from './dom.js';
import { icon } from './icons.js';
import { t } from './i18n.js';

// One popover menu at a time. Its items are rebuilt from the latest snapshot
// while it is open, so a snapshot that arrives meanwhile never shows stale
// sessions or blocks.
let current = null;

// The block colours' names, for their swatches' tooltips.
const colourNames = {
  rose: t('Rose'), peach: t('Peach'), lemon: t('Lemon'), mint: t('Mint'), sky: t('Sky'), lavender: t('Lavender'),
};

const layer = () => document.getElementById('menuLayer');

function itemNode(item) {
  if (item === 'separator') return el('div', { className: 'menu-separator', attrs: { role: 'separator' } });
  if (item.heading) return el('div', { className: 'menu-heading', text: item.heading });
  if (item.swatches) {
    const row = el('div', { className: 'menu-swatches', attrs: { role: 'group', 'aria-label': t('Colour') } });
    for (const color of item.swatches) {
      const swatch = el('button', {
        className: 'swatch',
        title: colourNames[color] ?? color,
        data: { color },
        attrs: { type: 'button', role: 'menuitemradio', 'aria-checked': String(color === item.current) },
      });
      swatch.addEventListener('click', () => choose(() => item.onSelect(color)));
      row.append(swatch);
    }
    return row;
  }
  const classes = ['menu-item'];
  if (item.danger) classes.push('danger');
  if (item.checked) classes.push('checked');
  const node = el('button', {
    className: classes.join(' '),
    data: item.id ? { id: item.id } : {},
    attrs: { type: 'button', role: item.checked !== undefined ? 'menuitemradio' : 'menuitem' },
  });
  if (item.checked !== undefined) node.setAttribute('aria-checked', String(item.checked));
  const lead = el('span', { className: 'menu-lead' });
  if (item.color !== undefined) lead.append(el('span', { className: 'menu-dot', data: { color: item.color } }));
  else if (item.checked) lead.append(icon('check'));
  else if (item.icon) lead.append(icon(item.icon));
  node.append(lead, el('span', { className: 'menu-label', text: item.label }));
  if (item.hint) node.append(el('span', { className: 'menu-hint', text: item.hint }));
  node.addEventListener('click', () => choose(item.onSelect));
  return node;
}

// The keyboard goes back to the control that opened the menu, unless the
// action put it somewhere itself; with the menu gone it would be nowhere.
function choose(action) {
  const anchor = current?.anchor;
  closeMenu();
  action();
  const lost = !document.activeElement || document.activeElement === document.body || !document.activeElement.isConnected;
  if (lost && anchor?.isConnected && anchor.checkVisibility()) anchor.focus({ preventScroll: true });
}

function place(menu, anchor) {
  const box = anchor.getBoundingClientRect();
  const width = menu.offsetWidth;
  const height = menu.offsetHeight;
  const margin = 8;
  // A menu hangs from the side of its button where the line starts: the right in Arabic.
  const rightToLeft = getComputedStyle(anchor).direction === 'rtl';
  let left = rightToLeft ? box.right - width : box.left;
  if (rightToLeft && left < margin) left = Math.min(box.left, window.innerWidth - margin - width);
  if (!rightToLeft && left + width > window.innerWidth - margin) left = Math.max(margin, box.right - width);
  let top = box.bottom + 6;
  if (top + height > window.innerHeight - margin && box.top - height - 6 > margin) top = box.top - height - 6;
  top = Math.max(margin, Math.min(top, window.innerHeight - height - margin));
  menu.style.left = `${Math.round(left)}px`;
  menu.style.top = `${Math.round(top)}px`;
}

function draw() {
  const items = current.build();
  // A menu is named by the heading it opens with, else by the button that opened it.
  const name = items[0]?.heading ?? current.anchor.getAttribute('aria-label') ?? current.anchor.title;
  const menu = el('div', { className: 'menu', attrs: { role: 'menu', tabindex: '-1', 'aria-label': name }, data: { menu: current.name } });
  for (const item of items) menu.append(itemNode(item));
  layer().replaceChildren(menu);
  place(menu, current.anchor);
  return menu;
}

// Opens the menu `name` under `anchor`; opening the same menu again closes it.
export function openMenu(name, anchor, build) {
  if (current && current.name === name && current.anchor === anchor) {
    closeMenu();
    return;
  }
  closeMenu();
  current = { name, anchor, build };
  anchor.setAttribute('aria-expanded', 'true');
  const menu = draw();
  // A reader then says the item that Enter would choose, not only the menu's name: the checked
  // one where the menu has one, else the first.
  const first = menu.querySelector('[role=menuitemradio][aria-checked=true]:not(.swatch)')
    ?? menu.querySelector('[role^=menuitem]');
  (first ?? menu).focus({ preventScroll: true });
}

function closeMenu() {
  if (!current) return;
  current.anchor.setAttribute('aria-expanded', 'false');
  current = null;
  layer().replaceChildren();
}

export function menuOpen() {
  return current !== null;
}

// Redraws the open menu after a snapshot; closes it if its anchor is gone.
export function refreshMenu() {
  if (!current) return;
  if (!current.anchor.isConnected) {
    closeMenu();
    return;
  }
  // The keyboard stays on the item it was on (the same one, else the one in its place), not on
  // the menu as a whole, which a reader names without saying where Enter would go.
  const items = () => [...layer().querySelectorAll('button')];
  const focused = document.activeElement;
  const at = items().indexOf(focused);
  const menu = draw();
  if (at < 0) return;
  const now = items();
  const same = focused.dataset.id === undefined ? null : now.find((node) => node.dataset.id === focused.dataset.id);
  (same ?? now[Math.min(at, now.length - 1)] ?? menu).focus({ preventScroll: true });
}

// Up and Down walk the items; Escape closes. Returns whether the key was used.
export function menuKey(event) {
  if (!current) return false;
  if (event.key === 'Escape') {
    const anchor = current.anchor;
    closeMenu();
    anchor.focus({ preventScroll: true });
    return true;
  }
  if (event.key !== 'ArrowDown' && event.key !== 'ArrowUp') return false;
  const items = [...layer().querySelectorAll('button')];
  if (items.length === 0) return true;
  const at = items.indexOf(document.activeElement);
  const step = event.key === 'ArrowDown' ? 1 : -1;
  const next = at < 0 ? (step > 0 ? 0 : items.length - 1) : (at + step + items.length) % items.length;
  items[next].focus();
  return true;
}

export function initMenus() {
  document.addEventListener('pointerdown', (event) => {
    if (!current) return;
    if (layer().contains(event.target) || current.anchor.contains(event.target)) return;
    closeMenu();
  }, true);
  window.addEventListener('resize', closeMenu);
  document.getElementById('board').addEventListener('scroll', closeMenu, { passive: true });
}
