// Shared harness for the page's browser tests, screenshots and benchmark:
// serves the page folder on loopback, drives Debian's Chromium, and stands in
// for the program on the "pr2Clip" channel and for the native dialogs.
import assert from 'node:assert/strict';
import http from 'node:http';
import fs from 'node:fs/promises';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const pageRoot = path.resolve(here, '../../resources/clipboard');
export const imageRoot = path.resolve(here, 'fixtures/img');
export const repoRoot = path.resolve(here, '../..');

// The same content types the program's scheme handler uses.
const types = {
  '.html': 'text/html',
  '.js': 'application/javascript',
  '.css': 'text/css',
  '.png': 'image/png',
  '.jpg': 'image/jpeg',
  '.svg': 'image/svg+xml',
  '.json': 'application/json',
};

// What the program serves while English is chosen: no messages, English plurals, left to right.
const englishCatalogue = '{"language":"en","dir":"ltr","plural":["one","other"],"messages":{}}';

async function serveFile(root, relative, response) {
  const file = path.resolve(root, '.' + relative);
  if (file !== root && !file.startsWith(root + path.sep)) {
    response.writeHead(403).end();
    return;
  }
  try {
    const body = await fs.readFile(file);
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    response.end(body);
  } catch {
    response.writeHead(404).end();
  }
}

// Serves the page at / and the picture fixtures at /img/, on a random port.
export async function startServer() {
  const server = http.createServer((request, response) => {
    const { pathname } = new URL(request.url, 'http://127.0.0.1');
    const decoded = decodeURIComponent(pathname);
    // The program's web view asks for no icon; a browser does, so answer it quietly.
    if (decoded === '/favicon.ico') response.writeHead(204).end();
    else if (decoded.startsWith('/img/')) serveFile(imageRoot, decoded.slice(4), response);
    // The program serves the catalogue it chose at this address; a test names one in
    // BRIMBLE_PAGE_CATALOGUE (a JSON file), and without one the page gets English, as the
    // program serves it (an answer of 404 would be a console error that fails the tests).
    else if (decoded === '/i18n/catalogue.json') {
      const catalogue = process.env.BRIMBLE_PAGE_CATALOGUE;
      if (catalogue) serveFile(path.dirname(catalogue), '/' + path.basename(catalogue), response);
      else response.writeHead(200, { 'Content-Type': types['.json'] }).end(englishCatalogue);
    }
    else serveFile(pageRoot, decoded === '/' ? '/index.html' : decoded, response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const origin = `http://127.0.0.1:${server.address().port}`;
  return { origin, close: () => new Promise((resolve) => server.close(resolve)) };
}

export function launchBrowser(extraArgs = []) {
  return chromium.launch({
    executablePath: process.env.CHROMIUM_PATH || '/usr/bin/chromium',
    args: [
      '--no-sandbox', '--headless', '--disable-gpu', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync', '--disable-quic',
      ...extraArgs,
    ],
  });
}

// Runs before any page script: records every posted command (and whether the
// page's bridge object existed at that moment) and answers the dialogs from
// queues that the test fills.
function installStubs() {
  window.__posted = [];
  window.__bridgeAtPost = [];
  window.__dialogs = [];
  window.__answers = { prompt: [], confirm: [] };
  window.webkit = {
    messageHandlers: {
      pr2Clip: {
        postMessage(body) {
          window.__bridgeAtPost.push(typeof window.__pr2clip?.render === 'function' && typeof window.__pr2clip?.decode === 'function');
          window.__posted.push(JSON.parse(JSON.stringify(body)));
        },
      },
    },
  };
  window.alert = (message) => { window.__dialogs.push({ type: 'alert', message: String(message) }); };
  window.confirm = (message) => {
    window.__dialogs.push({ type: 'confirm', message: String(message) });
    return window.__answers.confirm.length > 0 ? window.__answers.confirm.shift() : false;
  };
  window.prompt = (message, initial) => {
    window.__dialogs.push({ type: 'prompt', message: String(message), initial: initial === undefined ? null : String(initial) });
    return window.__answers.prompt.length > 0 ? window.__answers.prompt.shift() : null;
  };
}

export class PageDriver {
  constructor(page, origin) {
    this.page = page;
    this.origin = origin;
    this.errors = [];
    page.on('pageerror', (error) => this.errors.push(String(error)));
    page.on('console', (message) => {
      if (message.type() === 'error') this.errors.push(message.text());
    });
  }

  // Delivers a snapshot exactly as the program does: Base64 JSON in one script.
  async render(snapshot) {
    const base64 = Buffer.from(JSON.stringify(snapshot), 'utf8').toString('base64');
    // A string is evaluated as the program's own script would be, outside the
    // page's content-security policy.
    await this.page.evaluate(`window.__pr2clip && window.__pr2clip.render(window.__pr2clip.decode('${base64}'))`);
    await this.nextFrame();
  }

  // Waits until every animation and transition has ended. One cut short (its element redrawn or
  // removed) rejects its promise with an AbortError; that is an end too, and whatever replaced it
  // is waited for in the next round.
  settle() {
    return this.page.evaluate(async () => {
      const running = () => document.getAnimations().filter((animation) => animation.playState !== 'finished');
      for (let now = running(); now.length > 0; now = running()) {
        await Promise.all(now.map((animation) => animation.finished.catch(() => {})));
      }
    });
  }

  nextFrame() {
    return this.page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0))));
  }

  posted() {
    return this.page.evaluate(() => window.__posted);
  }

  // The commands posted since the last call.
  async take() {
    return this.page.evaluate(() => window.__posted.splice(0));
  }

  dialogs() {
    return this.page.evaluate(() => window.__dialogs.splice(0));
  }

  answerPrompt(...answers) {
    return this.page.evaluate((list) => window.__answers.prompt.push(...list), answers);
  }

  answerConfirm(...answers) {
    return this.page.evaluate((list) => window.__answers.confirm.push(...list), answers);
  }

  card(id) {
    return this.page.locator(`.card[data-id="${id}"]`);
  }

  block(id) {
    return this.page.locator(`.block[data-block-id="${id}"]`);
  }

  // Ids of the cards in a container ('' is the open grid), in document order.
  containerIds(key) {
    return this.page.evaluate((k) => [...document.querySelectorAll(`[data-container="${k}"] .card`)].map((c) => c.dataset.id), key);
  }
}

// Opens the page with the stubs installed and waits for its "list" command.
export async function openPage(browser, origin, { width = 900, height = 640, colorScheme = 'light' } = {}) {
  const context = await browser.newContext({ viewport: { width, height }, colorScheme, deviceScaleFactor: 1 });
  await context.addInitScript(installStubs);
  const page = await context.newPage();
  const driver = new PageDriver(page, origin);
  await page.goto(`${origin}/index.html`);
  await page.waitForFunction(() => window.__posted.length > 0);
  return driver;
}

// Builders for snapshots in the program's format.
let counter = 0;
export function uuid(prefix = 'C') {
  counter += 1;
  const hex = counter.toString(16).toUpperCase().padStart(12, '0');
  const tag = prefix.charCodeAt(0).toString(16).toUpperCase().padStart(4, '0');
  return `${tag}AAAA-BBBB-4CCC-8DDD-${hex}`;
}

export const now = () => Date.now() / 1000;

export function clip(text, options = {}) {
  const row = { id: options.id || uuid('C'), ts: options.ts ?? now() - 30, text, pinned: options.pinned === true, kind: options.kind || 'text' };
  if (options.imgURL) row.imgURL = options.imgURL;
  if (options.blockId) row.blockId = options.blockId;
  return row;
}

export function block(name, options = {}) {
  return { id: options.id || uuid('B'), name, color: options.color || 'sky', pinned: options.pinned === true, order: options.order ?? 0 };
}

export function session(name, options = {}) {
  return { id: options.id || uuid('S'), name, createdAt: options.createdAt ?? now() - 86400 };
}

export function snapshot(parts = {}) {
  const sessions = parts.sessions || [session('Default', { id: 'SESSION-DEFAULT' })];
  return {
    items: parts.items || [],
    paused: parts.paused ?? false,
    cap: parts.cap ?? 50,
    excluded: parts.excluded || [],
    recordSecrets: parts.recordSecrets ?? false,
    sessions,
    activeSessionId: parts.activeSessionId ?? sessions[0].id,
    blocks: parts.blocks || [],
    appearanceMode: parts.appearanceMode || 'system',
    autostart: parts.autostart ?? false,
    pasteAfterChoosing: parts.pasteAfterChoosing ?? false,
    // Left out unless a test sets it, as an older program's snapshot has no such key.
    ...(parts.frontmostKnown === undefined ? {} : { frontmostKnown: parts.frontmostKnown }),
    ...(parts.pasteAvailable === undefined ? {} : { pasteAvailable: parts.pasteAvailable }),
    ...(parts.clipboardWatched === undefined ? {} : { clipboardWatched: parts.clipboardWatched }),
    ...(parts.sync === undefined ? {} : { sync: parts.sync }),
    ...(parts.undo === undefined ? {} : { undo: parts.undo }),
    collapsed: parts.collapsed || [],
    ...(parts.view === undefined ? {} : { view: parts.view }),
  };
}

// Starts server and browser once per test file; returns a fresh page per call.
export function setup(extraArgs = []) {
  const env = { server: null, browser: null, last: null };
  return {
    async start() {
      env.server = await startServer();
      env.browser = await launchBrowser(extraArgs);
    },
    async stop() {
      await env.browser?.close();
      await env.server?.close();
    },
    // Each test gets its own page; the previous test's page is closed first.
    async page(options) {
      await env.last?.page.context().close();
      env.last = await openPage(env.browser, env.server.origin, options);
      return env.last;
    },
    get origin() {
      return env.server.origin;
    },
  };
}

// Builds, inside the page, a snapshot of `count` entries of `length`
// characters each, so that tens of megabytes need not cross the debugging
// pipe. The texts are prose-like lines with numbers and code-like words, and
// differ from entry to entry.
export function generateInPage(page, count, length) {
  return page.evaluate(([n, size]) => {
    const words = (
      'the of and to in is that for it as was with be by on not he this are or his from at which but have an they you ' +
      'were her she there been one all would their we him when more time if will about up out them so some into could ' +
      'invoice river Quartz meeting delta Ocelot budget lantern syntax harbor pixel Nimbus orchard vector kettle summit ' +
      'gravel Tundra copper saffron function return const value index buffer render window screen status request ' +
      'response server client config module import export package version release update change commit branch merge ' +
      'report draft review schedule agenda Monday Friday January October account payment total amount address phone ' +
      'email subject message thanks regards please note error warning debug trace stack thread memory cache query'
    ).split(' ');
    let seed = 2463534242;
    const next = () => {
      seed ^= seed << 13; seed >>>= 0;
      seed ^= seed >>> 17;
      seed ^= seed << 5; seed >>>= 0;
      return seed;
    };
    const parts = [];
    let total = 0;
    while (total < size + 8000) {
      const r = next();
      let piece = words[r % words.length];
      if (r % 29 === 0) piece += ` ${r % 9973}`;
      piece += r % 13 === 0 ? '.\n' : r % 7 === 0 ? ', ' : ' ';
      parts.push(piece);
      total += piece.length;
    }
    const base = parts.join('');
    const items = [];
    for (let i = 0; i < n; i++) {
      const head = `Entry ${i}: `;
      const offset = (i * 13) % 8000;
      items.push({
        id: `E${String(i).padStart(7, '0')}-AAAA-4BBB-8CCC-DDDDDDDDDDDD`,
        ts: Date.now() / 1000 - i * 60,
        text: (head + base.slice(offset, offset + size)).slice(0, size),
        pinned: i < 3,
        kind: 'text',
      });
    }
    window.__generated = {
      items, paused: false, cap: 500, excluded: [], recordSecrets: false,
      sessions: [{ id: 'S', name: 'Default', createdAt: 0 }], activeSessionId: 'S', blocks: [], appearanceMode: 'system',
    };
    return items.length;
  }, [count, length]);
}

// Renders a snapshot with one entry (and `parts`) and opens the Settings sheet.
export async function openSettings(page, parts = {}) {
  await page.render(snapshot({ items: [clip('x')], ...parts }));
  await page.take();
  await page.page.click('#settingsButton');
  assert.equal(await page.page.locator('#settings').isVisible(), true);
}
