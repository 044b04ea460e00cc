// Light or dark from the snapshot's appearance; "system" (and anything
// unknown) follows the desktop's preference and its later changes.
const darkQuery = window.matchMedia('(prefers-color-scheme: dark)');
let mode = 'system';

function apply() {
  const dark = mode === 'dark' || (mode !== 'light' && darkQuery.matches);
  const theme = dark ? 'dark' : 'light';
  if (document.documentElement.dataset.theme !== theme) document.documentElement.dataset.theme = theme;
}

export function applyAppearance(appearanceMode) {
  mode = appearanceMode;
  apply();
}

export function initTheme() {
  darkQuery.addEventListener('change', apply);
  apply();
}
