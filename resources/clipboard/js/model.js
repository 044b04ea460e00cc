// Turns a snapshot into what the board draws: blocks in their display order
// and every entry assigned to its container. Nothing here is kept between
// snapshots; the snapshot is the whole truth.
import { t } from './i18n.js';

export const blockPalette = ['rose', 'peach', 'lemon', 'mint', 'sky', 'lavender'];

const asString = (value, fallback = '') => (typeof value === 'string' ? value : fallback);
const asNumber = (value, fallback = 0) => (typeof value === 'number' && Number.isFinite(value) ? value : fallback);
const asList = (value) => (Array.isArray(value) ? value : []);

function row(raw) {
  return {
    id: raw.id,
    ts: asNumber(raw.ts),
    text: asString(raw.text),
    pinned: raw.pinned === true,
    kind: asString(raw.kind, 'text'),
    imgURL: typeof raw.imgURL === 'string' ? raw.imgURL : null,
    // A picture still on its way from another computer: a placeholder that copies nothing.
    waiting: raw.kind === 'image' && raw.waiting === true,
    blockId: typeof raw.blockId === 'string' ? raw.blockId : null,
    // A new page's first snapshot may send a long text's beginning only, with the whole text's
    // length; the whole text follows in the next snapshot.
    textPart: raw.textPart === true,
    chars: asNumber(raw.chars),
    // Kept beside the text: a formatted text (HTML, RTF), or the list of copied files, each
    // with whether it is still where it was.
    formatted: raw.formatted === true,
    files: Array.isArray(raw.files)
      ? raw.files.filter((file) => file && typeof file === 'object').map((file) => ({ name: asString(file.name), missing: file.missing === true }))
      : null,
    fileCount: asNumber(raw.fileCount),
  };
}

// The texts of a new snapshot, by entry id. The program sends a text only to a
// page that does not hold it yet; an entry whose text the page holds comes
// with "textHeld": true and no text, and the text is taken from `held` (an
// entry's text never changes). Fills those texts into the snapshot's rows and
// returns the texts of its entries alone, so the texts of entries that left
// are dropped; returns null, leaving `held` as it was, when a named text is
// not held, and the page must then ask for every text again.
export function mergeTexts(raw, held) {
  const rows = raw && typeof raw === 'object' && Array.isArray(raw.items) ? raw.items : [];
  const texts = new Map();
  for (const item of rows) {
    if (!item || typeof item !== 'object' || typeof item.id !== 'string') continue;
    if (item.textHeld === true && typeof item.text !== 'string') {
      const text = held.get(item.id);
      if (text === undefined) return null;
      item.text = text;
    }
    if (typeof item.text === 'string') texts.set(item.id, item.text);
  }
  return texts;
}

// Reads a snapshot defensively: a missing or mistyped member counts as empty.
export function normalize(raw) {
  const snap = raw && typeof raw === 'object' ? raw : {};
  const items = asList(snap.items).filter((item) => item && typeof item.id === 'string').map(row);
  const sessions = asList(snap.sessions)
    .filter((s) => s && typeof s.id === 'string')
    .map((s) => ({ id: s.id, name: shownSessionName(asString(s.name, t('Untitled'))), createdAt: asNumber(s.createdAt) }));
  const blocks = asList(snap.blocks)
    .filter((b) => b && typeof b.id === 'string')
    .map((b) => ({
      id: b.id,
      name: asString(b.name, t('Block')),
      color: asString(b.color),
      pinned: b.pinned === true,
      order: asNumber(b.order),
    }));
  return {
    items,
    paused: snap.paused === true,
    cap: asNumber(snap.cap, 50),
    excluded: asList(snap.excluded).filter((x) => typeof x === 'string'),
    excludedUnmatched: asList(snap.excludedUnmatched).filter((x) => typeof x === 'string'),
    recordSecrets: snap.recordSecrets === true,
    sessions,
    activeSessionId: asString(snap.activeSessionId),
    blocks,
    appearanceMode: asString(snap.appearanceMode, 'system'),
    autostart: snap.autostart === true,
    pasteAfterChoosing: snap.pasteAfterChoosing === true,
    frontmostKnown: snap.frontmostKnown !== false,
    pasteAvailable: snap.pasteAvailable !== false,
    clipboardWatched: snap.clipboardWatched !== false,
    sync: normalizeSync(snap.sync),
    undo: normalizeUndo(snap.undo),
    collapsed: asList(snap.collapsed).filter((x) => typeof x === 'string'),
    view: normalizeView(snap.view),
  };
}

// The first session is made as "Default": the stored name stays as it is, for
// other machines and older builds, and is shown in the user's language.
function shownSessionName(name) {
  // TRANSLATORS: the name of the session every history starts with.
  return name === 'Default' ? t('Default') : name;
}

// The delete or clear that can still be taken back: null when none.
function normalizeUndo(raw) {
  if (!raw || typeof raw !== 'object' || !(asNumber(raw.serial) > 0)) return null;
  return { kind: raw.kind === 'clear' ? 'clear' : 'delete', count: Math.max(1, asNumber(raw.count, 1)), serial: asNumber(raw.serial) };
}

// Sync with other machines: null while it is off.
function normalizeSync(raw) {
  if (!raw || typeof raw !== 'object') return null;
  const state = ['ok', 'missing', 'unwritable'].includes(raw.state) ? raw.state : 'ok';
  return {
    state,
    lastArrival: Math.max(0, asNumber(raw.lastArrival)),
    folder: asString(raw.folder),
    localSessions: asList(raw.localSessions).filter((x) => typeof x === 'string'),
  };
}

// What the user left on the previous page; only a new page's first snapshot uses it.
function normalizeView(raw) {
  const view = raw && typeof raw === 'object' ? raw : {};
  return {
    query: asString(view.query),
    scrollTop: Math.max(0, asNumber(view.scrollTop)),
    selection: asList(view.selection).filter((x) => typeof x === 'string'),
    focusId: asString(view.focusId),
    settingsOpen: view.settingsOpen === true,
  };
}

// Pinned blocks first, then ascending order; ties keep the snapshot's order.
function sortBlocks(blocks) {
  return blocks
    .map((block, index) => ({ block, index }))
    .sort((a, b) => (b.block.pinned - a.block.pinned) || (a.block.order - b.block.order) || (a.index - b.index))
    .map(({ block }) => block);
}

// Containers in display order: pinned blocks, the open grid, the other blocks.
// An entry whose block is not in the snapshot is shown in the open grid.
export function buildView(snap) {
  const blocks = sortBlocks(snap.blocks);
  const members = new Map(blocks.map((block) => [block.id, []]));
  const open = [];
  const byId = new Map();
  for (const item of snap.items) {
    byId.set(item.id, item);
    const list = item.blockId !== null ? members.get(item.blockId) : undefined;
    (list || open).push(item);
  }
  const container = (block) => ({ key: block.id, block, items: members.get(block.id) });
  const containers = [
    ...blocks.filter((b) => b.pinned).map(container),
    { key: '', block: null, items: open },
    ...blocks.filter((b) => !b.pinned).map(container),
  ];
  const session = snap.sessions.find((s) => s.id === snap.activeSessionId) || snap.sessions[0] || null;
  return { blocks, containers, byId, session };
}

// The ids of a container after moving `ids` in front of `beforeId` (or to its
// end). Pinned entries stay ahead of unpinned ones, as everywhere else.
export function orderAfterDrop(container, ids, beforeId, byId) {
  const moving = new Set(ids);
  const rest = container.items.map((item) => item.id).filter((id) => !moving.has(id));
  let at = beforeId === null ? rest.length : rest.indexOf(beforeId);
  if (at < 0) at = rest.length;
  const order = [...rest.slice(0, at), ...ids, ...rest.slice(at)];
  const pinned = order.filter((id) => byId.get(id)?.pinned);
  const unpinned = order.filter((id) => !byId.get(id)?.pinned);
  return [...pinned, ...unpinned];
}
