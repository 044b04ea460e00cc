import { ui } from './state.js';
import { setText, setFlag } from './dom.js';
import { openMenu } from './menu.js';
import { newSession, renameSession, switchSession, setPaused } from './actions.js';
import { openSettings } from './settings.js';
import { t } from './i18n.js';
import { relativeTime } from './time.js';

// Whether sync is on, whether it can reach its folder, and when another machine's change last
// arrived. A folder that is away pauses sync; the user must see that, not a quiet failure.
function drawSync(sync) {
  const pill = document.getElementById('syncStatus');
  pill.hidden = !sync;
  if (!sync) return;
  const paused = sync.state !== 'ok';
  setFlag(pill, 'paused', paused);
  setText(document.getElementById('syncLabel'), paused ? t('Sync paused') : t('Synced'));
  const last = sync.lastArrival > 0
    ? t('Last change from another machine: {time}', { time: relativeTime(sync.lastArrival) })
    : t('No change from another machine yet.');
  pill.title = sync.state === 'missing'
    ? t('The sync folder {folder} is missing. Sync resumes when it is back; nothing is lost.', { folder: sync.folder })
    : sync.state === 'unwritable'
      ? t('The sync folder {folder} cannot be written. Sync resumes when it can; nothing is lost.', { folder: sync.folder })
      : last;
}

function sessionMenu() {
  const { snap, view } = ui;
  const items = [{ heading: t('Sessions') }];
  for (const session of snap.sessions) {
    items.push({
      label: session.name,
      id: session.id,
      checked: session.id === view.session?.id,
      onSelect: () => switchSession(session.id),
    });
  }
  items.push('separator');
  if (view.session) {
    const session = view.session;
    items.push({ label: t('Rename “{name}”…', { name: session.name }), icon: 'pencil', id: 'rename', onSelect: () => renameSession(session) });
  }
  items.push({ label: t('New Session…'), icon: 'plus', id: 'new', onSelect: newSession });
  return items;
}

export function drawHeader() {
  const { snap, view } = ui;
  setText(document.getElementById('sessionName'), view.session ? view.session.name : t('No session'));
  const pause = document.getElementById('pauseButton');
  // A clipboard that can no longer be watched records nothing, whatever the switch says.
  const lost = !snap.clipboardWatched;
  setFlag(pause, 'paused', snap.paused || lost);
  setText(document.getElementById('pauseLabel'), lost ? t('Not recording') : snap.paused ? t('Paused') : t('Recording'));
  pause.title = lost
    ? t('Brimble lost its connection to the clipboard and cannot record new copies. Quit and start Brimble again.')
    : snap.paused ? t('Recording is paused. Click to resume.') : t('Recording new copies. Click to pause.');
  pause.setAttribute('aria-pressed', String(snap.paused));
  drawSync(snap.sync);
}

export function initHeader() {
  const button = document.getElementById('sessionButton');
  button.addEventListener('click', () => openMenu('sessions', button, sessionMenu));
  document.getElementById('pauseButton').addEventListener('click', () => setPaused(!ui.snap.paused));
  document.getElementById('settingsButton').addEventListener('click', openSettings);
}
