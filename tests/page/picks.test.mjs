// Several entries at once ("Copy together") and quick picks with Control+digit.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { setup, snapshot, clip, block } from './harness.mjs';

const env = setup();
before(() => env.start());
after(() => env.stop());

const picture = (text) => clip(text, { kind: 'image', imgURL: '/img/photo.png' });

async function select(page, ids) {
  for (const id of ids) await page.card(id).click({ modifiers: ['Control'] });
}

async function badges(page) {
  return page.page.evaluate(() => Object.fromEntries([...document.querySelectorAll('.card[data-pick]')].map((c) => [c.dataset.pick, c.dataset.id])));
}

test('Copy together sends the selection in the order shown, not the order clicked or stored', async () => {
  const page = await env.page();
  // The pinned block is drawn above the open grid, so its entry is shown first
  // although the snapshot lists it last.
  const top = block('Top', { pinned: true });
  const items = [clip('first'), clip('second'), clip('third'), clip('in the top block', { blockId: top.id })];
  await page.render(snapshot({ items, blocks: [top] }));
  await page.take();
  await select(page, [items[2].id, items[0].id, items[3].id]);
  assert.equal(await page.page.locator('#selCopyNote').isVisible(), false);
  await page.page.click('#selCopy');
  assert.deepEqual(await page.take(), [{ cmd: 'copyMany', ids: [items[3].id, items[0].id, items[2].id] }]);
  assert.equal(await page.page.locator('#toast').textContent(), 'Copied 3 clips together');
  assert.equal(await page.page.locator('#selectionBar').isVisible(), false, 'the selection is done with');
});

test('pictures are left out of Copy together, and the bar says so before and after', async () => {
  const page = await env.page();
  const items = [clip('alpha'), picture('PNG · 10×10'), clip('bravo'), picture('PNG · 20×20')];
  await page.render(snapshot({ items }));
  await page.take();
  await select(page, [items[0].id, items[1].id]);
  assert.equal(await page.page.locator('#selCopyNote').textContent(), '1 picture left out');
  await select(page, [items[2].id, items[3].id]);
  assert.equal(await page.page.locator('#selCopyNote').textContent(), '2 pictures left out');
  await page.page.click('#selCopy');
  assert.deepEqual(await page.take(), [{ cmd: 'copyMany', ids: [items[0].id, items[2].id] }]);
  assert.equal(await page.page.locator('#toast').textContent(), 'Copied 2 clips together, 2 pictures left out');
});

test('a selection of pictures alone cannot be copied together', async () => {
  const page = await env.page();
  const items = [clip('text'), picture('PNG · 10×10'), picture('PNG · 20×20')];
  await page.render(snapshot({ items }));
  await page.take();
  await select(page, [items[1].id, items[2].id]);
  assert.equal(await page.page.locator('#selCopyNote').textContent(), 'Pictures cannot be copied together');
  assert.equal(await page.page.locator('#selCopy').isDisabled(), true);
  // Adding a text makes it usable again.
  await select(page, [items[0].id]);
  assert.equal(await page.page.locator('#selCopy').isDisabled(), false);
  assert.equal(await page.page.locator('#selCopyNote').textContent(), '2 pictures left out');
  assert.deepEqual(await page.take(), []);
});

test('while searching, selected cards the search hides follow the shown ones', async () => {
  const page = await env.page();
  const items = [clip('apple one'), clip('banana'), clip('apple two')];
  await page.render(snapshot({ items }));
  await page.take();
  await select(page, [items[0].id, items[1].id, items[2].id]);
  await page.page.fill('#search', 'apple');
  await page.page.click('#selCopy');
  assert.deepEqual(await page.take(), [{ cmd: 'copyMany', ids: [items[0].id, items[2].id, items[1].id] }]);
});

test('Control+digit copies the first nine cards shown, skipping collapsed blocks', async () => {
  const page = await env.page({ width: 1100 });
  const shut = block('Shut', { pinned: true });
  const items = Array.from({ length: 11 }, (_, i) => clip(`entry ${i + 1}`));
  items.push(clip('filed away', { blockId: shut.id }));
  await page.render(snapshot({ items, blocks: [shut] }));
  await page.block(shut.id).locator('.block-chevron').click();
  await page.take();
  await page.page.locator('#board').focus();
  await page.page.keyboard.press('Control+1');
  await page.page.keyboard.press('Control+9');
  assert.deepEqual(await page.take(), [{ cmd: 'copy', id: items[0].id }, { cmd: 'copy', id: items[8].id }]);
  assert.equal(await page.page.locator('#toast').textContent(), 'Copied to clipboard');
  // Control+0 is no pick, and a digit beyond the cards shown copies nothing.
  await page.page.keyboard.press('Control+0');
  assert.deepEqual(await page.take(), []);
});

test('Control+digit picks among the search results, from the search field', async () => {
  const page = await env.page();
  const items = [clip('red apple'), clip('green pear'), clip('apple pie'), clip('crab apple')];
  await page.render(snapshot({ items }));
  await page.take();
  await page.page.fill('#search', 'apple');
  await page.page.keyboard.press('Control+2');
  await page.page.keyboard.press('Control+3');
  await page.page.keyboard.press('Control+4');
  assert.deepEqual(await page.take(), [{ cmd: 'copy', id: items[2].id }, { cmd: 'copy', id: items[3].id }]);
  assert.equal(await page.page.inputValue('#search'), 'apple', 'the digits are not typed into the query');
  // The pictures' and texts' picks alike go through "copy", which pastes when that is on.
  await page.render(snapshot({ items: [picture('PNG · 1×1'), ...items], pasteAfterChoosing: true }));
  await page.page.fill('#search', '');
  await page.page.keyboard.press('Control+1');
  assert.equal((await page.take())[0].cmd, 'copy');
});

test('the digits show on the first nine cards only while Control is held', async () => {
  const page = await env.page({ width: 1100 });
  const items = Array.from({ length: 12 }, (_, i) => clip(`note ${i + 1}`));
  await page.render(snapshot({ items }));
  await page.page.locator('#board').focus();
  assert.deepEqual(await badges(page), {});
  await page.page.keyboard.down('Control');
  const held = await badges(page);
  assert.deepEqual(Object.keys(held), ['1', '2', '3', '4', '5', '6', '7', '8', '9']);
  assert.equal(held['1'], items[0].id);
  assert.equal(held['9'], items[8].id);
  // A snapshot arriving meanwhile keeps them on the right cards.
  const fresh = clip('newest');
  await page.render(snapshot({ items: [fresh, ...items] }));
  assert.equal((await badges(page))['1'], fresh.id);
  await page.page.keyboard.up('Control');
  assert.deepEqual(await badges(page), {});
  // Control let go in another window leaves no digits behind.
  await page.page.keyboard.down('Control');
  await page.page.evaluate(() => window.dispatchEvent(new Event('blur')));
  assert.deepEqual(await badges(page), {});
  await page.page.keyboard.up('Control');
});

test('quick picks keep off open menus and the settings sheet', async () => {
  const page = await env.page();
  const items = [clip('one'), clip('two')];
  await page.render(snapshot({ items }));
  await page.take();
  await page.page.click('#settingsButton');
  await page.page.keyboard.press('Control+1');
  assert.deepEqual((await page.take()).filter((c) => c.cmd === 'copy'), []);
});
