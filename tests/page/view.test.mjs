// A page built anew after its window was hidden for a while: it takes the
// view the last page left (search, selection, scroll, settings sheet), puts
// the keyboard where it belongs, and says when the keys held for it may come.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { setup, snapshot, clip, block } from './harness.mjs';

const env = setup();
before(() => env.start());
after(() => env.stop());

const activeId = (page) => page.page.evaluate(() => document.activeElement?.id ?? null);
const many = (count) => Array.from({ length: count }, (_, i) => clip(`entry number ${i}`, { id: `E${i}` }));

test('the first snapshot brings back the search, the selection, the scroll and the sheet', async () => {
  const page = await env.page();
  const items = many(80);
  await page.render(snapshot({
    items,
    view: { query: 'number 1', scrollTop: 150, selection: ['E1', 'E12', 'GONE'], focusId: 'E12', settingsOpen: true },
  }));
  assert.equal(await page.page.inputValue('#search'), 'number 1');
  assert.equal(await page.page.locator('.card.selected').count(), 2, 'an entry that is gone is not selected');
  assert.equal(await page.page.locator('#settings').isVisible(), true);
  assert.equal(await page.page.evaluate(() => document.getElementById('settings').contains(document.activeElement)), true);
  assert.ok(await page.page.evaluate(() => document.getElementById('board').scrollTop) > 0);

  // Later snapshots leave the view to the page: it is the user's now.
  await page.page.press('#settings', 'Escape');
  await page.render(snapshot({ items, view: { query: 'other', settingsOpen: true } }));
  assert.equal(await page.page.inputValue('#search'), 'number 1');
  assert.equal(await page.page.locator('#settings').isVisible(), false);
});

// A search over long texts finds its matches over several frames; the board reaches the scroll
// position the user left only once they are all drawn.
test('the scroll position comes back also when the restored search takes several frames', async () => {
  const page = await env.page();
  const filler = ' lorem ipsum dolor sit amet'.repeat(400);
  const items = Array.from({ length: 1500 }, (_, i) => clip(`entry number ${i}${filler}`, { id: `L${i}` }));
  await page.render(snapshot({ items, view: { query: 'number 1', scrollTop: 2000, selection: [], focusId: '', settingsOpen: false } }));
  await page.page.waitForFunction(() => document.getElementById('board').scrollTop === 2000, null, { timeout: 10000 });
  assert.equal(await activeId(page), 'search');
});

test('a first snapshot without a view leaves the keyboard in an empty search field', async () => {
  const page = await env.page();
  await page.render(snapshot({ items: [clip('apple')] }));
  assert.equal(await activeId(page), 'search');
  assert.equal(await page.page.inputValue('#search'), '');
});

test('hiding the page reports the view, and collapsed blocks of another session stay collapsed', async () => {
  const page = await env.page();
  const work = block('Work', { id: 'BW' });
  await page.render(snapshot({ items: [clip('in work', { blockId: 'BW' })], blocks: [work], collapsed: ['BW'] }));
  // Another session shown, then this one again: the block is still collapsed.
  await page.render(snapshot({ items: [clip('elsewhere')], blocks: [] }));
  await page.render(snapshot({ items: [clip('in work', { blockId: 'BW' })], blocks: [work] }));
  assert.equal(await page.block('BW').getAttribute('class').then((c) => c.includes('collapsed')), true);

  await page.page.fill('#search', 'wor');
  await page.take();
  await page.page.evaluate(() => {
    Object.defineProperty(document, 'hidden', { configurable: true, get: () => true });
    document.dispatchEvent(new Event('visibilitychange'));
  });
  const [report] = await page.take();
  assert.equal(report.cmd, 'view');
  assert.deepEqual({ ...report.view, scrollTop: 0 }, { query: 'wor', scrollTop: 0, selection: [], focusId: '', settingsOpen: false });
});

// A quick double shortcut hid a page before its first snapshot: its empty view replaced the one
// the program kept, and the search the user left was lost.
test('a page hidden before its first snapshot reports no view', async () => {
  const page = await env.page();
  await page.take();
  const hide = () => page.page.evaluate(() => {
    Object.defineProperty(document, 'hidden', { configurable: true, get: () => true });
    document.dispatchEvent(new Event('visibilitychange'));
  });
  await hide();
  assert.deepEqual((await page.take()).filter((message) => message.cmd === 'view'), []);
  await page.render(snapshot({ items: [clip('apple')], view: { query: 'app' } }));
  await hide();
  const reports = (await page.take()).filter((message) => message.cmd === 'view');
  assert.equal(reports.length, 1);
  assert.equal(reports[0].view.query, 'app');
});

test('readyForKeys puts the keyboard in place before it answers', async () => {
  const page = await env.page();
  await page.render(snapshot({ items: [clip('apple')], view: { settingsOpen: true } }));
  await page.take();
  await page.page.evaluate(() => window.__pr2clip.readyForKeys('summon'));
  await page.nextFrame();
  await page.nextFrame();
  assert.equal(await page.page.locator('#settings').isVisible(), false, 'the shortcut closes the sheet');
  assert.equal(await activeId(page), 'search');
  assert.deepEqual(await page.take(), [{ cmd: 'keysReady' }]);

  await page.render(snapshot({ items: [clip('apple')] }));
  await page.page.evaluate(() => window.__pr2clip.readyForKeys(''));
  await page.nextFrame();
  await page.nextFrame();
  assert.deepEqual(await page.take(), [{ cmd: 'keysReady' }]);
});
