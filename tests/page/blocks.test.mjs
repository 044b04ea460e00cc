// Blocks: order, pinning, collapsing, renaming, colours and deleting.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { setup, snapshot, clip, block } from './harness.mjs';

const env = setup();
before(() => env.start());
after(() => env.stop());

async function sectionOrder(page) {
  return page.page.evaluate(() => [...document.querySelectorAll('#boardInner > [data-container]')].map((s) => s.dataset.container || 'open'));
}

test('blocks come in ascending order, pinned blocks before the open grid', async () => {
  const page = await env.page();
  const late = block('Late', { order: 5 });
  const early = block('Early', { order: 1 });
  const pinned = block('Pinned', { order: 9, pinned: true });
  await page.render(snapshot({ items: [clip('loose')], blocks: [early, late, pinned] }));
  assert.deepEqual(await sectionOrder(page), [pinned.id, 'open', early.id, late.id]);
  assert.equal(await page.block(pinned.id).evaluate((n) => n.classList.contains('pinned')), true);
  assert.equal(await page.block(pinned.id).locator('.block-pin').getAttribute('aria-pressed'), 'true');
});

test('cards are drawn in their block, in snapshot order; unknown blocks fall back to the grid', async () => {
  const page = await env.page();
  const work = block('Work');
  const a = clip('a', { blockId: work.id });
  const b = clip('b');
  const c = clip('c', { blockId: work.id });
  const stray = clip('stray', { blockId: 'NO-SUCH-BLOCK' });
  await page.render(snapshot({ items: [a, b, c, stray], blocks: [work] }));
  assert.deepEqual(await page.containerIds(work.id), [a.id, c.id]);
  assert.deepEqual(await page.containerIds(''), [b.id, stray.id]);
  assert.equal(await page.block(work.id).locator('.block-name').textContent(), 'Work');
  assert.equal(await page.block(work.id).locator('.block-count').textContent(), '2 clips');
});

test('the chevron collapses a block, and the page keeps it collapsed across snapshots', async () => {
  const page = await env.page();
  const work = block('Work');
  const inside = clip('inside', { blockId: work.id });
  const snap = snapshot({ items: [inside, clip('outside')], blocks: [work] });
  await page.render(snap);
  await page.take();
  await page.block(work.id).locator('.block-chevron').click();
  assert.equal(await page.card(inside.id).isVisible(), false);
  assert.equal(await page.block(work.id).locator('.block-chevron').getAttribute('aria-expanded'), 'false');
  await page.render(snap);
  assert.equal(await page.card(inside.id).isVisible(), false);
  await page.block(work.id).locator('.block-chevron').click();
  assert.equal(await page.card(inside.id).isVisible(), true);
  // The program only keeps the state for the next page it builds; nothing is pushed back.
  assert.deepEqual(await page.take(), [
    { cmd: 'collapse', id: work.id, collapsed: true },
    { cmd: 'collapse', id: work.id, collapsed: false },
  ]);
});

// The page is rebuilt after the window was hidden for a while; its blocks must come back as the
// user left them, but a later snapshot (sent while a click was on its way) must not undo a click.
test('a new page takes the collapsed blocks from its first snapshot only', async () => {
  const page = await env.page();
  const work = block('Work');
  const home = block('Home');
  const inWork = clip('in work', { blockId: work.id });
  const inHome = clip('in home', { blockId: home.id });
  const items = [inWork, inHome];
  await page.render(snapshot({ items, blocks: [work, home], collapsed: [work.id] }));
  assert.equal(await page.card(inWork.id).isVisible(), false);
  assert.equal(await page.card(inHome.id).isVisible(), true);
  await page.render(snapshot({ items, blocks: [work, home], collapsed: [home.id] }));
  assert.equal(await page.card(inWork.id).isVisible(), false);
  assert.equal(await page.card(inHome.id).isVisible(), true);
});

test('the pin button toggles the block’s pin', async () => {
  const page = await env.page();
  const work = block('Work');
  await page.render(snapshot({ blocks: [work] }));
  await page.take();
  await page.block(work.id).locator('.block-pin').click();
  assert.deepEqual(await page.take(), [{ cmd: 'blockPin', id: work.id }]);
});

test('Rename… asks with the current name and renames', async () => {
  const page = await env.page();
  const work = block('Work');
  await page.render(snapshot({ blocks: [work] }));
  await page.take();
  await page.answerPrompt('Office');
  await page.block(work.id).locator('.block-more').click();
  await page.page.click('.menu-item[data-id="rename"]');
  assert.deepEqual(await page.take(), [{ cmd: 'blockRename', id: work.id, name: 'Office' }]);
  assert.equal((await page.dialogs())[0].initial, 'Work');
});

test('double-clicking the name renames too; an unchanged name sends nothing', async () => {
  const page = await env.page();
  const work = block('Work');
  await page.render(snapshot({ blocks: [work] }));
  await page.take();
  await page.answerPrompt('Work', 'Desk');
  await page.block(work.id).locator('.block-name').dblclick();
  await page.block(work.id).locator('.block-name').dblclick();
  assert.deepEqual(await page.take(), [{ cmd: 'blockRename', id: work.id, name: 'Desk' }]);
});

test('the six palette colours recolour a block', async () => {
  const page = await env.page();
  const work = block('Work', { color: 'sky' });
  await page.render(snapshot({ blocks: [work] }));
  await page.take();
  await page.block(work.id).locator('.block-more').click();
  const colours = await page.page.locator('.menu .swatch').evaluateAll((nodes) => nodes.map((n) => n.dataset.color));
  assert.deepEqual(colours, ['rose', 'peach', 'lemon', 'mint', 'sky', 'lavender']);
  assert.equal(await page.page.locator('.swatch[data-color="sky"]').getAttribute('aria-checked'), 'true');
  await page.page.click('.swatch[data-color="lavender"]');
  assert.deepEqual(await page.take(), [{ cmd: 'blockColor', id: work.id, color: 'lavender' }]);
});

test('a colour name outside the palette draws a neutral block', async () => {
  // blocks.json accepts any colour string; the page must not break on one.
  const page = await env.page();
  const odd = block('Odd', { color: 'chartreuse' });
  const mint = block('Mint', { color: 'mint', order: 1 });
  await page.render(snapshot({ blocks: [odd, mint] }));
  assert.equal(await page.block(odd.id).getAttribute('data-color'), 'none');
  assert.equal(await page.block(mint.id).getAttribute('data-color'), 'mint');
  const tints = await page.page.evaluate(() => [...document.querySelectorAll('.block')].map((b) => getComputedStyle(b).backgroundColor));
  assert.notEqual(tints[0], tints[1]);
});

test('Delete Block deletes only the block', async () => {
  const page = await env.page();
  const work = block('Work');
  await page.render(snapshot({ items: [clip('x', { blockId: work.id })], blocks: [work] }));
  await page.take();
  await page.block(work.id).locator('.block-more').click();
  await page.page.click('.menu-item[data-id="delete"]');
  assert.deepEqual(await page.take(), [{ cmd: 'blockDelete', id: work.id }]);
});

test('New Block in the toolbar asks a name', async () => {
  const page = await env.page();
  await page.render(snapshot({ items: [clip('x')] }));
  await page.take();
  await page.answerPrompt(' Ideas ', '   ', null);
  await page.page.click('#newBlockButton');
  await page.page.click('#newBlockButton');
  await page.page.click('#newBlockButton');
  // A blank name leaves the naming to the program ("New Block"); Cancel sends nothing.
  assert.deepEqual(await page.take(), [{ cmd: 'blockCreate', name: 'Ideas' }, { cmd: 'blockCreate' }]);
});

test('an open block menu follows a snapshot that renames the block', async () => {
  const page = await env.page();
  const work = block('Work', { color: 'sky' });
  await page.render(snapshot({ blocks: [work] }));
  await page.block(work.id).locator('.block-more').click();
  await page.render(snapshot({ blocks: [{ ...work, color: 'rose' }] }));
  assert.equal(await page.page.locator('.swatch[data-color="rose"]').getAttribute('aria-checked'), 'true');
  await page.render(snapshot({ blocks: [] }));
  assert.equal(await page.page.locator('.menu').count(), 0, 'the menu of a deleted block closes');
});

test('an empty block invites dropping cards', async () => {
  const page = await env.page();
  const work = block('Work');
  await page.render(snapshot({ items: [clip('x')], blocks: [work] }));
  assert.equal(await page.block(work.id).locator('.block-empty').isVisible(), true);
  assert.equal(await page.block(work.id).locator('.block-count').textContent(), '0 clips');
});
