import { ui } from './state.js';
import { setText, setFlag, renew } from './dom.js';
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

// The names a screen reader last read for the session and pause buttons.
const spoken = { session: null, pause: null };

// A control whose name changed is renewed (see renew), so that a reader that
// has met it once hears the new name, not the old one.
function renewIfRenamed(key, node, name) {
  const stale = spoken[key] !== null && spoken[key] !== name;
  spoken[key] = name;
  return stale ? renew(node) : node;
}

export function drawHeader() {
  const { snap, view } = ui;
  const sessionName = view.session ? view.session.name : t('No session');
  const session = renewIfRenamed('session', document.getElementById('sessionButton'), sessionName);
  setText(session.querySelector('#sessionName'), sessionName);
  // A clipboard that can no longer be watched records nothing, whatever the switch says.
  const lost = !snap.clipboardWatched;
  const label = lost ? t('Not recording') : snap.paused ? t('Paused') : t('Recording');
  const pause = renewIfRenamed('pause', document.getElementById('pauseButton'), label);
  setFlag(pause, 'paused', snap.paused || lost);
  setText(pause.querySelector('#pauseLabel'), label);
  pause.title = lost
    ? t('Brimble lost its connection to the clipboard and cannot record new copies. Quit and start Brimble again.')
    : snap.paused ? t('Recording is paused. Click to resume.') : t('Recording new copies. Click to pause.');
  pause.setAttribute('aria-pressed', String(snap.paused));
  drawSync(snap.sync);
}

export function initHeader() {
  // Through the header, since its buttons are renewed when their names change.
  document.querySelector('.topbar').addEventListener('click', (event) => {
    const button = event.target.closest('button');
    if (button?.id === 'sessionButton') openMenu('sessions', button, sessionMenu);
    else if (button?.id === 'pauseButton') setPaused(!ui.snap.paused);
  });
  document.getElementById('settingsButton').addEventListener('click', openSettings);
}
