// The page's contract with the program: the bridge object, the first "list",
// decoding, and redrawing only from snapshots.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs/promises';
import path from 'node:path';
import { setup, snapshot, clip, pageRoot } from './harness.mjs';

const env = setup();
before(() => env.start());
after(() => env.stop());

test('posts exactly one list, after the bridge object exists', async () => {
  const page = await env.page();
  await page.nextFrame();
  assert.deepEqual(await page.posted(), [{ cmd: 'list' }]);
  assert.deepEqual(await page.page.evaluate(() => window.__bridgeAtPost), [true]);
  assert.deepEqual(page.errors, []);
});

test('decode reads Base64 as UTF-8 JSON, including non-ASCII text', async () => {
  const page = await env.page();
  const value = { items: [{ text: 'Grüße, 東京 🦑 "quoted" \\ back\nslash' }], cap: 7 };
  const base64 = Buffer.from(JSON.stringify(value), 'utf8').toString('base64');
  assert.deepEqual(await page.page.evaluate((b) => window.__pr2clip.decode(b), base64), value);
});

test('render shows the entries of the snapshot in its order', async () => {
  const page = await env.page();
  const items = [clip('third', { ts: 1 }), clip('first', { ts: 3 }), clip('second', { ts: 2 })];
  await page.render(snapshot({ items }));
  assert.deepEqual(await page.containerIds(''), items.map((i) => i.id));
});

test('the empty snapshot and the program’s fallback document show the empty state', async () => {
  const page = await env.page();
  await page.render(snapshot());
  assert.equal(await page.page.locator('.empty-title').textContent(), 'Copy something in any app…');
  const fallback = { items: [], paused: false, cap: 50, excluded: [], recordSecrets: false, sessions: [], activeSessionId: '', blocks: [], appearanceMode: 'system' };
  await page.render(fallback);
  assert.equal(await page.page.locator('.empty-state').isVisible(), true);
  assert.equal(await page.page.locator('#sessionName').textContent(), 'No session');
  assert.deepEqual(page.errors, []);
});

test('a snapshot with missing or mistyped members still draws', async () => {
  // Guards against a renderer that trusts every member of the document.
  const page = await env.page();
  await page.page.evaluate(() => window.__pr2clip.render({ items: [{ id: 'A', text: 5 }, null, { text: 'no id' }], sessions: 'x', blocks: [{ id: 'B' }] }));
  await page.nextFrame();
  assert.deepEqual(await page.containerIds(''), ['A']);
  assert.deepEqual(page.errors, []);
});

test('a new snapshot replaces the old view entirely', async () => {
  const page = await env.page();
  const a = clip('alpha');
  const b = clip('beta');
  await page.render(snapshot({ items: [a, b] }));
  await page.render(snapshot({ items: [b] }));
  assert.deepEqual(await page.containerIds(''), [b.id]);
  assert.equal(await page.page.locator('#countLabel').textContent(), '1 clip');
});

test('user actions never change the view before the snapshot answers', async () => {
  const page = await env.page();
  const a = clip('alpha');
  const b = clip('beta');
  await page.render(snapshot({ items: [a, b] }));
  await page.take();
  await page.card(a.id).locator('[data-action="delete"]').click();
  assert.deepEqual(await page.take(), [{ cmd: 'delete', id: a.id }]);
  assert.deepEqual(await page.containerIds(''), [a.id, b.id]);
});

test('the page loads scripts and styles only from files, with a strict policy', async () => {
  const html = await fs.readFile(path.join(pageRoot, 'index.html'), 'utf8');
  const policy = html.match(/http-equiv="Content-Security-Policy"\s+content="([^"]+)"/)?.[1] || '';
  assert.match(policy, /default-src 'none'/);
  assert.match(policy, /script-src 'self' vellumo:;/);
  assert.doesNotMatch(policy, /unsafe-inline|unsafe-eval|\*/);
  assert.doesNotMatch(html, /<script(?![^>]*\bsrc=)[^>]*>/, 'no inline script');
  assert.doesNotMatch(html, /\son[a-z]+=/i, 'no inline event handler');
  assert.doesNotMatch(html, /\sstyle=/i, 'no inline style');
  for (const file of await fs.readdir(path.join(pageRoot, 'js'))) {
    const source = await fs.readFile(path.join(pageRoot, 'js', file), 'utf8');
    assert.doesNotMatch(source, /innerHTML|outerHTML|insertAdjacentHTML|document\.write|\beval\(|new Function/, file);
  }
});

// A snapshot names the texts the page already holds instead of sending them.
const named = (row) => {
  const { text, ...rest } = row;
  return { ...rest, textHeld: true };
};
const cardText = (page, id) => page.card(id).locator('.card-text').textContent();

test('a named text is taken from the page’s own, and a new one beside it is drawn', async () => {
  const page = await env.page();
  const a = clip('alpha text');
  const b = clip('beta text');
  await page.render(snapshot({ items: [a] }));
  await page.take();
  await page.render(snapshot({ items: [b, named(a)] }));
  assert.deepEqual(await page.containerIds(''), [b.id, a.id]);
  assert.equal(await cardText(page, a.id), 'alpha text');
  assert.equal(await cardText(page, b.id), 'beta text');
  // The search reads the named text too, not an empty one.
  await page.page.fill('#search', 'alpha');
  await page.nextFrame();
  await page.nextFrame();
  assert.deepEqual(await page.containerIds(''), [a.id]);
  assert.deepEqual(await page.take(), []);
  assert.deepEqual(page.errors, []);
});

test('a snapshot naming a text the page does not hold is not drawn, and the page asks for everything', async () => {
  // Drawing it would show an empty card where the program believes the text is on screen.
  const page = await env.page();
  const a = clip('alpha text');
  await page.render(snapshot({ items: [a] }));
  await page.take();
  const stranger = clip('never sent');
  await page.render(snapshot({ items: [named(stranger), named(a)] }));
  assert.deepEqual(await page.take(), [{ cmd: 'list' }]);
  assert.deepEqual(await page.containerIds(''), [a.id]);
  // The whole state that answers the request draws as any other.
  await page.render(snapshot({ items: [stranger, a] }));
  assert.deepEqual(await page.containerIds(''), [stranger.id, a.id]);
  assert.equal(await cardText(page, stranger.id), 'never sent');
});

test('the texts of entries left out of a snapshot are dropped', async () => {
  // Keeping them would hold every text ever copied; the program no longer counts them as held.
  const page = await env.page();
  const a = clip('alpha text');
  const b = clip('beta text');
  await page.render(snapshot({ items: [a, b] }));
  await page.render(snapshot({ items: [named(b)] }));
  await page.take();
  assert.equal(await page.page.evaluate(() => document.querySelectorAll('.card').length), 1);
  await page.render(snapshot({ items: [named(a), named(b)] }));
  assert.deepEqual(await page.take(), [{ cmd: 'list' }]);
  // A text sent again replaces the one held.
  await page.render(snapshot({ items: [a, b] }));
  assert.equal(await cardText(page, a.id), 'alpha text');
});
