import { post } from './bridge.js';
import { ui } from './state.js';
import { el, iconButton, syncChildren, setText } from './dom.js';
import { clearHistory, setPaused } from './actions.js';
import { t, formatCount } from './i18n.js';

const $ = (id) => document.getElementById(id);
let returnFocus = null;

// "org.keepassxc.KeePassXC.desktop" reads as "KeePassXC".
function appName(id) {
  const base = id.replace(/\.desktop$/i, '');
  const last = base.split('.').pop() || base;
  return last.charAt(0).toUpperCase() + last.slice(1);
}

function setSwitch(node, on) {
  if (node.getAttribute('aria-checked') !== String(on)) node.setAttribute('aria-checked', String(on));
}

export function drawSettings() {
  const { snap } = ui;
  setSwitch($('setPaused'), snap.paused);
  setSwitch($('setSecrets'), snap.recordSecrets);
  setSwitch($('setAutostart'), snap.autostart);
  setSwitch($('setPasteAfter'), snap.pasteAfterChoosing);
  $('setPasteAfter').disabled = !snap.pasteAvailable;
  $('pasteUnavailable').hidden = snap.pasteAvailable;
  // A hidden note named by aria-describedby is still read out: name it only when it shows.
  const described = snap.pasteAvailable ? 'notePasteAfter' : 'notePasteAfter pasteUnavailable';
  if ($('setPasteAfter').getAttribute('aria-describedby') !== described) {
    $('setPasteAfter').setAttribute('aria-describedby', described);
  }
  const cap = $('setCap');
  // The bounds in the digits the rest of the page uses (Arabic-Indic in Arabic).
  setText($('noteCap'), t('Between {min} and {max} clips. Pinned clips never count.', { min: formatCount(10), max: formatCount(500) }));
  if (document.activeElement !== cap) cap.value = String(snap.cap);
  cap.setAttribute('aria-valuenow', String(snap.cap));
  for (const button of $('setAppearance').querySelectorAll('[data-mode]')) {
    const known = ['system', 'light', 'dark'].includes(snap.appearanceMode) ? snap.appearanceMode : 'system';
    const checked = button.dataset.mode === known;
    button.setAttribute('aria-checked', String(checked));
    // The group is one stop of the tab order, on its chosen mode; the arrows choose another.
    button.tabIndex = checked ? 0 : -1;
  }
  const list = $('excludeList');
  const rows = snap.excluded.map((id) => {
    const remove = iconButton('close', { className: 'icon-button exclude-remove', title: t('Stop excluding {name}', { name: appName(id) }), data: { id } });
    // No installed application has this id, so no window can be recognised as it.
    const unmatched = snap.excludedUnmatched.includes(id);
    return el('li', { className: unmatched ? 'exclude-row unmatched' : 'exclude-row' }, [
      el('span', { className: 'exclude-initial', text: appName(id).charAt(0) }),
      el('span', { className: 'exclude-text' }, [
        el('span', { className: 'exclude-name', text: appName(id), attrs: { dir: 'auto' } }),
        el('span', { className: 'exclude-id', text: id }),
        ...(unmatched ? [el('span', { className: 'exclude-unmatched', text: t('Not installed here: its copies can’t be recognised.') })] : []),
      ]),
      remove,
    ]);
  });
  if (rows.length === 0) rows.push(el('li', { className: 'exclude-none', text: t('No apps are excluded.') }));
  syncChildren(list, rows);
  $('excludeUnknown').hidden = snap.frontmostKnown;
  drawSync(snap);
  setText($('noteClear'), ui.view.session
    ? t('Removes every unpinned clip of “{name}”.', { name: ui.view.session.name })
    : t('Removes every unpinned clip of this session.'));
}

// The sync folder, and whether the session in view is synced. The first session is shared by
// every machine, so its switch stays on.
function drawSync(snap) {
  const { sync } = snap;
  setText($('noteSyncFolder'), sync
    ? t('Shared through {folder}', { folder: sync.folder })
    : t('Off: this history stays on this machine.'));
  $('syncOffRow').hidden = !sync;
  const session = ui.view.session;
  $('syncSessionRow').hidden = !sync || !session;
  if (!sync || !session) return;
  const first = snap.sessions.length > 0 && snap.sessions[0].id === session.id;
  const shared = first || !sync.localSessions.includes(session.id);
  setText($('titleSyncSession'), t('Sync “{name}”', { name: session.name }));
  setText($('noteSyncSession'), first
    ? t('The first session is always synced.')
    : shared
      ? t('Its clips reach your other machines.')
      : t('Kept on this machine. Clips synced before stay on your other machines.'));
  setSwitch($('setSyncSession'), shared);
  $('setSyncSession').disabled = first;
}

// While the sheet is open, the page behind it is out of reach of the
// keyboard, the mouse and assistive technology alike.
function setBackgroundInert(on) {
  for (const node of document.querySelectorAll('body > .topbar, body > .main')) node.inert = on;
}

export function openSettings() {
  if (ui.settingsOpen) return;
  ui.settingsOpen = true;
  returnFocus = document.activeElement;
  setBackgroundInert(true);
  $('settings').hidden = false;
  $('settingsScrim').hidden = false;
  document.body.classList.add('settings-open');
  $('settingsClose').focus({ preventScroll: true });
}

export function closeSettings() {
  if (!ui.settingsOpen) return;
  ui.settingsOpen = false;
  setBackgroundInert(false);
  $('settings').hidden = true;
  $('settingsScrim').hidden = true;
  document.body.classList.remove('settings-open');
  if (returnFocus && returnFocus.isConnected) returnFocus.focus({ preventScroll: true });
}

// The arrows move round the appearance modes and choose the one they reach,
// as in any radio group; Left goes towards the line's start, the right in Arabic.
function onAppearanceKey(event) {
  const forward = { ArrowDown: 1, ArrowUp: -1, ArrowRight: 1, ArrowLeft: -1 }[event.key];
  if (forward === undefined || event.ctrlKey || event.altKey || event.metaKey) return;
  const radios = [...$('setAppearance').querySelectorAll('[data-mode]')];
  const at = radios.indexOf(document.activeElement);
  if (at < 0) return;
  const mirrored = event.key.startsWith('ArrowL') || event.key.startsWith('ArrowR');
  const step = mirrored && getComputedStyle($('setAppearance')).direction === 'rtl' ? -forward : forward;
  const next = radios[(at + step + radios.length) % radios.length];
  event.preventDefault();
  next.focus();
  next.click();
}

function commitCap() {
  const value = Number.parseInt($('setCap').value, 10);
  if (Number.isFinite(value) && value !== ui.snap.cap) post({ cmd: 'cap', value });
  else $('setCap').value = String(ui.snap.cap);
}

export function initSettings() {
  $('settingsClose').addEventListener('click', closeSettings);
  $('settingsScrim').addEventListener('click', closeSettings);
  $('setPaused').addEventListener('click', () => setPaused(!ui.snap.paused));
  $('setSecrets').addEventListener('click', () => post({ cmd: 'recordSecrets', value: !ui.snap.recordSecrets }));
  $('setAutostart').addEventListener('click', () => post({ cmd: 'autostart', value: !ui.snap.autostart }));
  $('setPasteAfter').addEventListener('click', () => post({ cmd: 'pasteAfterChoosing', value: !ui.snap.pasteAfterChoosing }));
  $('setCap').addEventListener('change', commitCap);
  // The spin button's value for assistive technology follows the typing, not only the program.
  $('setCap').addEventListener('input', () => {
    const value = Number.parseInt($('setCap').value, 10);
    if (Number.isFinite(value)) $('setCap').setAttribute('aria-valuenow', String(value));
  });
  $('setCap').addEventListener('keydown', (event) => {
    if (event.key === 'Enter') $('setCap').blur();
  });
  $('setAppearance').addEventListener('click', (event) => {
    const mode = event.target.closest('[data-mode]')?.dataset.mode;
    if (!mode) return;
    // The mode last chosen here, which the program may not have answered yet.
    const was = $('setAppearance').querySelector('[aria-checked=true]')?.dataset.mode;
    // Checked at once, so that a reader hears the mode reached by an arrow as chosen.
    for (const radio of $('setAppearance').querySelectorAll('[data-mode]')) {
      radio.setAttribute('aria-checked', String(radio.dataset.mode === mode));
      radio.tabIndex = radio.dataset.mode === mode ? 0 : -1;
    }
    if (mode !== was) post({ cmd: 'appearance', mode });
  });
  $('setAppearance').addEventListener('keydown', onAppearanceKey);
  $('excludeAdd').addEventListener('click', () => post({ cmd: 'excludeAdd' }));
  $('syncChoose').addEventListener('click', () => post({ cmd: 'syncChoose' }));
  $('syncOff').addEventListener('click', () => post({ cmd: 'syncOff' }));
  $('setSyncSession').addEventListener('click', () => {
    const session = ui.view.session;
    const sync = ui.snap.sync;
    if (session && sync) post({ cmd: 'syncSession', id: session.id, shared: sync.localSessions.includes(session.id) });
  });
  $('excludeList').addEventListener('click', (event) => {
    const id = event.target.closest('.exclude-remove')?.dataset.id;
    if (id !== undefined) post({ cmd: 'excludeRemove', id });
  });
  $('clearHistory').addEventListener('click', clearHistory);
  $('helpButton').addEventListener('click', () => post({ cmd: 'help' }));
  $('aboutButton').addEventListener('click', () => post({ cmd: 'about' }));
}
