// Drag and drop: each drop is one reorder of the target container, listing
// all of its ids in their new order, with the block's id (none for the grid).
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { setup, snapshot, clip, block } from './harness.mjs';

const env = setup();
before(() => env.start());
after(() => env.stop());

function fixture() {
  const work = block('Work', { color: 'mint', order: 0 });
  const a = clip('a');
  const b = clip('b');
  const c = clip('c');
  const d = clip('d');
  const w1 = clip('w1', { blockId: work.id });
  const w2 = clip('w2', { blockId: work.id });
  return { work, a, b, c, d, w1, w2, snap: snapshot({ items: [a, b, c, d, w1, w2], blocks: [work] }) };
}

// Drops onto the left quarter of a card (in front of it) or its right quarter (after it).
const front = { x: 12, y: 40 };
const behind = (width) => ({ x: width - 12, y: 40 });

async function cardWidth(page, id) {
  return (await page.card(id).boundingBox()).width;
}

test('dragging a card in front of another reorders the open grid', async () => {
  const page = await env.page({ width: 1100 });
  const { a, b, c, d, snap } = fixture();
  await page.render(snap);
  await page.take();
  await page.card(c.id).dragTo(page.card(a.id), { targetPosition: front });
  assert.deepEqual(await page.take(), [{ cmd: 'reorder', order: [c.id, a.id, b.id, d.id] }]);
});

test('dragging a card behind the last one moves it to the end', async () => {
  const page = await env.page({ width: 1100 });
  const { a, b, c, d, snap } = fixture();
  await page.render(snap);
  await page.take();
  await page.card(a.id).dragTo(page.card(d.id), { targetPosition: behind(await cardWidth(page, d.id)) });
  assert.deepEqual(await page.take(), [{ cmd: 'reorder', order: [b.id, c.id, d.id, a.id] }]);
});

test('dropping a card onto a block files it there', async () => {
  const page = await env.page({ width: 1100 });
  const { work, b, w1, w2, snap } = fixture();
  await page.render(snap);
  await page.take();
  await page.card(b.id).dragTo(page.card(w2.id), { targetPosition: front });
  assert.deepEqual(await page.take(), [{ cmd: 'reorder', order: [w1.id, b.id, w2.id], blockId: work.id }]);
});

test('dropping onto a block’s header puts the card first in the block', async () => {
  const page = await env.page({ width: 1100 });
  const { work, d, w1, w2, snap } = fixture();
  await page.render(snap);
  await page.take();
  await page.card(d.id).dragTo(page.block(work.id).locator('.block-name'));
  assert.deepEqual(await page.take(), [{ cmd: 'reorder', order: [d.id, w1.id, w2.id], blockId: work.id }]);
});

test('dropping onto a collapsed block files the card without expanding it', async () => {
  const page = await env.page({ width: 1100 });
  const { work, a, w1, w2, snap } = fixture();
  await page.render(snap);
  await page.block(work.id).locator('.block-chevron').click();
  await page.take();
  await page.card(a.id).dragTo(page.block(work.id));
  assert.deepEqual(await page.take(), [{ cmd: 'reorder', order: [a.id, w1.id, w2.id], blockId: work.id }]);
  assert.equal(await page.card(w1.id).isVisible(), false);
});

test('dragging a card out of its block to the open grid unfiles it', async () => {
  const page = await env.page({ width: 1100 });
  const { a, b, c, d, w2, snap } = fixture();
  await page.render(snap);
  await page.take();
  await page.card(w2.id).dragTo(page.card(b.id), { targetPosition: front });
  assert.deepEqual(await page.take(), [{ cmd: 'reorder', order: [a.id, w2.id, b.id, c.id, d.id] }]);
});

test('dropping a block’s card on the empty part of the open grid unfiles it at the end', async () => {
  const page = await env.page({ width: 1100 });
  const { a, b, c, d, w1, snap } = fixture();
  await page.render(snap);
  await page.take();
  const open = await page.page.locator('.open').boundingBox();
  const last = await page.card(d.id).boundingBox();
  // Beside the last card of the open grid, where no card is.
  const spot = { x: last.x + last.width + 60 - open.x, y: last.y + last.height / 2 - open.y };
  assert.ok(spot.x < open.width - 10, 'the open grid has room beside its last card');
  await page.card(w1.id).dragTo(page.page.locator('.open'), { targetPosition: spot });
  assert.deepEqual(await page.take(), [{ cmd: 'reorder', order: [a.id, b.id, c.id, d.id, w1.id] }]);
});

test('an empty open grid still takes cards dragged out of a block', async () => {
  const page = await env.page({ width: 1100 });
  const work = block('Work');
  const w1 = clip('w1', { blockId: work.id });
  const w2 = clip('w2', { blockId: work.id });
  await page.render(snapshot({ items: [w1, w2], blocks: [work] }));
  await page.take();
  await page.card(w1.id).dragTo(page.page.locator('.open-empty'));
  assert.deepEqual(await page.take(), [{ cmd: 'reorder', order: [w1.id] }]);
});

test('dragging a selected card moves the whole selection', async () => {
  const page = await env.page({ width: 1100 });
  const { work, a, c, w1, w2, snap } = fixture();
  await page.render(snap);
  await page.card(a.id).click({ modifiers: ['Control'] });
  await page.card(c.id).click({ modifiers: ['Control'] });
  await page.take();
  await page.card(c.id).dragTo(page.card(w1.id), { targetPosition: behind(await cardWidth(page, w1.id)) });
  assert.deepEqual(await page.take(), [{ cmd: 'reorder', order: [w1.id, a.id, c.id, w2.id], blockId: work.id }]);
});

test('pinned cards stay ahead of the ones dropped in front of them', async () => {
  const page = await env.page({ width: 1100 });
  const p = clip('pinned', { pinned: true });
  const x = clip('x');
  const y = clip('y');
  await page.render(snapshot({ items: [p, x, y] }));
  await page.take();
  await page.card(y.id).dragTo(page.card(p.id), { targetPosition: front });
  assert.deepEqual(await page.take(), [{ cmd: 'reorder', order: [p.id, y.id, x.id] }]);
});

test('a drop that changes nothing sends nothing', async () => {
  const page = await env.page({ width: 1100 });
  const { a, b, snap } = fixture();
  await page.render(snap);
  await page.take();
  await page.card(a.id).dragTo(page.card(b.id), { targetPosition: front });
  assert.deepEqual(await page.take(), []);
});

test('the order lists cards hidden by the search as well', async () => {
  // A reorder that left out filtered cards would move them elsewhere in the history.
  const page = await env.page({ width: 1100 });
  const { a, b, c, d, snap } = fixture();
  await page.render(snap);
  await page.page.fill('#search', 'a');
  await page.take();
  // Only "a" is visible; dropping it to the right of itself puts it last.
  await page.card(a.id).dragTo(page.page.locator('.open'), { targetPosition: { x: 700, y: 60 } });
  assert.deepEqual(await page.take(), [{ cmd: 'reorder', order: [b.id, c.id, d.id, a.id] }]);
});

test('files dragged in from elsewhere are refused instead of opened', async () => {
  const page = await env.page();
  await page.render(snapshot({ items: [clip('x')] }));
  const refused = await page.page.evaluate(() => {
    const data = new DataTransfer();
    data.setData('text/uri-list', 'file:///etc/passwd');
    const event = new DragEvent('dragover', { dataTransfer: data, bubbles: true, cancelable: true });
    document.getElementById('board').dispatchEvent(event);
    return event.defaultPrevented && data.dropEffect === 'none';
  });
  assert.equal(refused, true);
});
