import { icon } from './icons.js';

// Creates an element. Text always goes in through textContent, so nothing
// that came from a clip can ever be read as markup.
export function el(tag, options = {}, children = []) {
  const node = document.createElement(tag);
  if (options.className) node.className = options.className;
  if (options.text !== undefined) node.textContent = options.text;
  if (options.title) node.title = options.title;
  if (options.attrs) {
    for (const [key, value] of Object.entries(options.attrs)) node.setAttribute(key, String(value));
  }
  if (options.data) {
    for (const [key, value] of Object.entries(options.data)) node.dataset[key] = value;
  }
  for (const child of children) if (child) node.append(child);
  return node;
}

// A button with an icon and an optional visible label. An icon alone is named
// by its tooltip: WebKitGTK reads a title beside an equal aria-label as the
// description too, and a screen reader said the name twice.
export function iconButton(name, { className = 'icon-button', title = '', label = '', data } = {}) {
  const button = el('button', { className, title, data, attrs: { type: 'button' } }, [icon(name)]);
  if (label) button.append(el('span', { className: 'button-label', text: label }));
  return button;
}

// Puts exactly `wanted` into `parent`, in that order, moving only the nodes
// that are out of place. Re-rendering a long, mostly unchanged list then
// touches almost nothing in the document.
export function syncChildren(parent, wanted) {
  let cursor = parent.firstChild;
  for (const node of wanted) {
    if (node === cursor) {
      cursor = cursor.nextSibling;
      continue;
    }
    parent.insertBefore(node, cursor);
  }
  while (cursor) {
    const next = cursor.nextSibling;
    parent.removeChild(cursor);
    cursor = next;
  }
}

// Sets a node's text only when it differs, to spare the engine needless work.
export function setText(node, text) {
  if (node.textContent !== text) node.textContent = text;
}

export function setFlag(node, className, on) {
  if (node.classList.contains(className) !== on) node.classList.toggle(className, on);
}

// Swaps `node` for a copy of itself, keeping the keyboard on it. WebKitGTK
// never tells a screen reader that a control's name changed, and the reader
// keeps saying the old one; a new element is a new object, read afresh.
// Listeners stay behind: controls renewed this way listen through a parent.
export function renew(node) {
  const fresh = node.cloneNode(true);
  const focused = document.activeElement === node;
  node.replaceWith(fresh);
  if (focused) fresh.focus({ preventScroll: true });
  return fresh;
}
