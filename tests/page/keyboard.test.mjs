// Search as you type and keyboard use of the cards.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { setup, snapshot, clip, block } from './harness.mjs';

const env = setup();
before(() => env.start());
after(() => env.stop());

async function visible(page) {
  return page.page.evaluate(() => [...document.querySelectorAll('.card')].filter((c) => c.offsetParent !== null).map((c) => c.dataset.id));
}

async function focused(page) {
  return page.page.evaluate(() => document.activeElement?.dataset?.id ?? null);
}

function fixture() {
  const work = block('Work');
  const items = [
    clip('Quarterly REPORT draft'),
    clip('grocery list: apples'),
    clip('see the report at noon', { blockId: work.id }),
    clip('Ünïcödé Straße'),
  ];
  return { items, work, snap: snapshot({ items, blocks: [work] }) };
}

test('typing filters case-insensitively anywhere in the text, across blocks', async () => {
  const page = await env.page();
  const { items, work, snap } = fixture();
  await page.render(snap);
  await page.page.fill('#search', 'report');
  assert.deepEqual(await visible(page), [items[0].id, items[2].id]);
  assert.equal(await page.page.locator('#countLabel').textContent(), '2 of 4');
  await page.page.fill('#search', 'STRASSE');
  assert.deepEqual(await visible(page), [items[3].id]);
  await page.page.fill('#search', 'straße');
  assert.deepEqual(await visible(page), [items[3].id]);
  assert.equal(await page.block(work.id).isVisible(), false, 'a block without matches is hidden');
});

test('narrowing and widening the query both give the right cards', async () => {
  // Guards the narrowing shortcut: a shorter query must search everything again.
  const page = await env.page();
  const { items, snap } = fixture();
  await page.render(snap);
  for (const [query, expected] of [['r', [0, 1, 2, 3]], ['re', [0, 2]], ['rep', [0, 2]], ['re', [0, 2]], ['e', [0, 1, 2, 3]], ['gr', [1]]]) {
    await page.page.fill('#search', query);
    assert.deepEqual((await visible(page)).sort(), expected.map((i) => items[i].id).sort(), query);
  }
});

test('no match says so; Escape clears the search', async () => {
  const page = await env.page();
  const { items, snap } = fixture();
  await page.render(snap);
  await page.page.fill('#search', 'zebra');
  assert.equal(await page.page.locator('.search-empty-title').textContent(), 'No clips match “zebra”');
  await page.page.press('#search', 'Escape');
  assert.equal(await page.page.inputValue('#search'), '');
  assert.equal((await visible(page)).length, items.length);
});

test('the search is kept across snapshots and applied to new entries', async () => {
  const page = await env.page();
  const { items, work } = fixture();
  await page.render(snapshot({ items, blocks: [work] }));
  await page.page.fill('#search', 'apple');
  const fresh = clip('apple pie');
  await page.render(snapshot({ items: [fresh, ...items], blocks: [work] }));
  assert.deepEqual(await visible(page), [fresh.id, items[1].id]);
});

test('a collapsed block shows its matches while searching', async () => {
  const page = await env.page();
  const { items, work, snap } = fixture();
  await page.render(snap);
  await page.block(work.id).locator('.block-chevron').click();
  await page.page.fill('#search', 'noon');
  assert.deepEqual(await visible(page), [items[2].id]);
  await page.page.fill('#search', '');
  assert.equal(await page.card(items[2].id).isVisible(), false);
});

test('Control+F focuses the search field', async () => {
  const page = await env.page();
  await page.render(fixture().snap);
  await page.page.locator('body').click({ position: { x: 5, y: 600 } });
  await page.page.keyboard.press('Control+f');
  assert.equal(await page.page.evaluate(() => document.activeElement.id), 'search');
});

test('arrow keys move the focus ring; Enter copies, P pins, Delete removes', async () => {
  const page = await env.page({ width: 1100 });
  const { items, snap } = fixture();
  await page.render(snap);
  await page.take();
  await page.page.locator('#board').focus();
  await page.page.keyboard.press('ArrowRight');
  assert.equal(await focused(page), items[0].id);
  await page.page.keyboard.press('ArrowRight');
  assert.equal(await focused(page), items[1].id);
  await page.page.keyboard.press('Enter');
  await page.page.keyboard.press('p');
  await page.page.keyboard.press('ArrowLeft');
  await page.page.keyboard.press('Delete');
  assert.deepEqual(await page.take(), [{ cmd: 'copy', id: items[1].id }, { cmd: 'pin', id: items[1].id }, { cmd: 'delete', id: items[0].id }]);
  assert.equal(await focused(page), items[1].id, 'the ring moves on to the next card');
});

test('Up and Down move between rows and into blocks', async () => {
  const page = await env.page({ width: 700 });
  const work = block('Work');
  const items = Array.from({ length: 5 }, (_, i) => clip(`card ${i}`));
  const inBlock = clip('filed', { blockId: work.id });
  await page.render(snapshot({ items: [...items, inBlock], blocks: [work] }));
  const columns = await page.page.evaluate(() => getComputedStyle(document.querySelector('.grid')).gridTemplateColumns.split(' ').length);
  await page.card(items[0].id).click({ modifiers: ['Control'] });
  await page.page.keyboard.press('ArrowDown');
  assert.equal(await focused(page), items[columns].id);
  await page.page.keyboard.press('ArrowDown');
  await page.page.keyboard.press('ArrowDown');
  assert.equal(await focused(page), inBlock.id);
  await page.page.keyboard.press('ArrowUp');
  assert.notEqual(await focused(page), inBlock.id);
});

test('the ring stays on its card when a snapshot reorders the cards', async () => {
  const page = await env.page();
  const { items, work } = fixture();
  await page.render(snapshot({ items, blocks: [work] }));
  await page.page.locator('#board').focus();
  await page.page.keyboard.press('ArrowRight');
  await page.page.keyboard.press('ArrowRight');
  await page.render(snapshot({ items: [items[1], items[0], items[2], items[3]], blocks: [work] }));
  assert.equal(await focused(page), items[1].id);
});

test('Space selects the focused card and Control+A selects all visible cards', async () => {
  const page = await env.page();
  const { items, snap } = fixture();
  await page.render(snap);
  await page.page.locator('#board').focus();
  await page.page.keyboard.press('ArrowRight');
  await page.page.keyboard.press(' ');
  assert.equal(await page.page.locator('#selectionCount').textContent(), '1 selected');
  await page.page.keyboard.press('Control+a');
  assert.equal(await page.page.locator('#selectionCount').textContent(), `${items.length} selected`);
});

test('Enter in the search field copies the first match', async () => {
  const page = await env.page();
  const { items, snap } = fixture();
  await page.render(snap);
  await page.take();
  await page.page.fill('#search', 'apples');
  await page.page.press('#search', 'Enter');
  assert.deepEqual(await page.take(), [{ cmd: 'copy', id: items[1].id }]);
});

test('keys typed in the search field never act on cards', async () => {
  const page = await env.page();
  await page.render(fixture().snap);
  await page.take();
  await page.page.locator('#board').focus();
  await page.page.keyboard.press('ArrowRight');
  await page.page.click('#search');
  await page.page.keyboard.type('p');
  await page.page.keyboard.press('Backspace');
  assert.deepEqual(await page.take(), []);
});

// The window getting the keyboard back says the focused control again by focusing it anew,
// unless a key came first: the blur would end an input method's composition mid-word.
test('the search is focused anew when the window gets the keyboard back, unless typing began', async () => {
  const page = await env.page();
  await page.render(fixture().snap);
  await page.page.focus('#search');
  for (const [typing, blurs] of [[false, 1], [true, 0]]) {
    const seen = await page.page.evaluate(async (typeFirst) => {
      const search = document.getElementById('search');
      let count = 0;
      search.addEventListener('blur', () => count++);
      window.dispatchEvent(new Event('focus'));
      if (typeFirst) search.dispatchEvent(new KeyboardEvent('keydown', { key: 'a', bubbles: true }));
      await new Promise((resolve) => setTimeout(resolve, 150));
      return { count, focused: document.activeElement === search };
    }, typing);
    assert.deepEqual(seen, { count: blurs, focused: true }, `typing first: ${typing}`);
  }
});
