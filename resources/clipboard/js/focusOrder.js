// Tab and Shift+Tab go round the page, or round the open dialog, instead of
// leaving the web view at either end: past the last control comes the first.
// In the program's window the web view is the only thing that takes the
// keyboard, so a Tab out of it would leave the user nowhere.

const focusable = 'button, input, select, textarea, a[href], [tabindex]';

function reachable(node) {
  if (node.disabled || node.tabIndex < 0 || node.closest('[inert], [hidden]')) return false;
  return node.getClientRects().length > 0;
}

// The controls of `root` that Tab reaches, in document order (the page sets
// no positive tabindex, so document order is the tab order).
export function tabStops(root) {
  return [...root.querySelectorAll(focusable)].filter(reachable);
}

// The part of the page that holds the keyboard: an open modal dialog, else
// the whole page.
function scope() {
  const dialog = document.querySelector('[aria-modal="true"]:not([hidden])');
  return dialog || document.body;
}

function onTab(event) {
  // WebKitGTK names Shift+Tab's key (ISO_Left_Tab) "Unidentified"; its code is still Tab.
  const tab = event.key === 'Tab' || event.code === 'Tab';
  if (!tab || event.ctrlKey || event.altKey || event.metaKey) return;
  const root = scope();
  const stops = tabStops(root);
  if (stops.length === 0) return;
  const first = stops[0];
  const last = stops[stops.length - 1];
  const active = document.activeElement;
  const inside = root.contains(active) && active !== root;
  let next = null;
  if (!inside && root !== document.body) next = event.shiftKey ? last : first;
  else if (event.shiftKey && (active === first || !inside)) next = last;
  else if (!event.shiftKey && active === last) next = first;
  if (next === null) return;
  event.preventDefault();
  next.focus();
}

export function initFocusOrder() {
  document.addEventListener('keydown', onTab, true);
}
