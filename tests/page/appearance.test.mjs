// Themes, window sizes and the largest history the program can send.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { setup, snapshot, clip, block, generateInPage } from './harness.mjs';

const env = setup();
before(() => env.start());
after(() => env.stop());

const theme = (page) => page.page.evaluate(() => document.documentElement.dataset.theme);
const background = (page) => page.page.evaluate(() => getComputedStyle(document.body).backgroundColor);

test('appearance modes pick the theme; system follows the desktop', async () => {
  const page = await env.page({ colorScheme: 'light' });
  const rows = [['dark', 'dark'], ['light', 'light'], ['system', 'light'], ['sepia', 'light']];
  for (const [mode, expected] of rows) {
    await page.render(snapshot({ items: [clip('x')], appearanceMode: mode }));
    assert.equal(await theme(page), expected, mode);
  }
  await page.page.emulateMedia({ colorScheme: 'dark' });
  // The media-query change arrives as an event after the emulation switch.
  await page.page.waitForFunction(() => document.documentElement.dataset.theme === 'dark', null, { timeout: 3000 });
  await page.render(snapshot({ items: [clip('x')], appearanceMode: 'light' }));
  assert.equal(await theme(page), 'light', 'light overrides a dark desktop');
});

test('the dark theme really darkens the page', async () => {
  const page = await env.page();
  await page.render(snapshot({ items: [clip('x')], appearanceMode: 'light' }));
  const light = await background(page);
  await page.render(snapshot({ items: [clip('x')], appearanceMode: 'dark' }));
  const dark = await background(page);
  const luminance = (rgb) => rgb.match(/\d+/g).slice(0, 3).map(Number).reduce((a, b) => a + b, 0);
  assert.ok(luminance(dark) < 150 && luminance(light) > 600, `${light} / ${dark}`);
});

test('at 520 × 380 everything fits without sideways scrolling', async () => {
  const page = await env.page({ width: 520, height: 380 });
  const work = block('A block with a rather long name that must not push things out', { color: 'peach' });
  const items = Array.from({ length: 12 }, (_, i) => clip(`${'word '.repeat(i * 9)}entry ${i}`, { blockId: i < 3 ? work.id : undefined }));
  await page.render(snapshot({ items, blocks: [work], excluded: ['org.example.SomeVeryLongApplicationIdentifier.desktop'] }));
  const layout = await page.page.evaluate(() => ({
    scrollWidth: document.documentElement.scrollWidth,
    boardOverflow: document.getElementById('board').scrollWidth - document.getElementById('board').clientWidth,
    columns: getComputedStyle(document.querySelector('.grid')).gridTemplateColumns.split(' ').length,
    controls: ['sessionButton', 'pauseButton', 'settingsButton', 'search', 'newBlockButton'].map((id) => {
      const box = document.getElementById(id).getBoundingClientRect();
      return box.left >= 0 && box.right <= innerWidth && box.width > 0;
    }),
  }));
  assert.equal(layout.scrollWidth, 520);
  assert.equal(layout.boardOverflow, 0);
  assert.ok(layout.columns >= 2);
  assert.deepEqual(layout.controls, [true, true, true, true, true]);
  await page.card(items[5].id).click({ modifiers: ['Control'] });
  const bar = await page.page.locator('#selectionBar').boundingBox();
  assert.ok(bar.x >= 0 && bar.x + bar.width <= 520, 'the selection bar fits');
  await page.page.click('#settingsButton');
  const sheet = await page.page.locator('#settings').boundingBox();
  assert.ok(sheet.x >= 0 && sheet.width <= 520);
});

test('at full screen the grid uses the width', async () => {
  const page = await env.page({ width: 1920, height: 1080 });
  await page.render(snapshot({ items: Array.from({ length: 20 }, (_, i) => clip(`entry ${i}`)) }));
  const columns = await page.page.evaluate(() => getComputedStyle(document.querySelector('.grid')).gridTemplateColumns.split(' ').length);
  assert.ok(columns >= 7, `${columns} columns`);
});

test('500 entries of 50,000 characters draw a screenful of short previews, then more on scrolling', async () => {
  const page = await env.page();
  await generateInPage(page.page, 500, 50000);
  const first = await page.page.evaluate(() => {
    window.__pr2clip.render(window.__generated);
    const texts = [...document.querySelectorAll('.card-text')].map((n) => n.textContent.length);
    const board = document.getElementById('board').getBoundingClientRect();
    const last = [...document.querySelectorAll('.card')].pop().getBoundingClientRect();
    return { cards: texts.length, longest: Math.max(...texts), count: document.getElementById('countLabel').textContent, filled: last.top > board.bottom };
  });
  assert.ok(first.cards < 100, `${first.cards} cards drawn at first`);
  assert.equal(first.filled, true, 'the first cards fill the window and more');
  assert.ok(first.longest <= 300, `longest preview ${first.longest}`);
  assert.equal(first.count, '500 clips');
  // Scrolling to the end keeps drawing until every card is there.
  for (let i = 0; i < 20; i++) {
    await page.page.evaluate(() => { const board = document.getElementById('board'); board.scrollTop = board.scrollHeight; });
    await page.nextFrame();
    await page.nextFrame();
  }
  assert.equal(await page.page.locator('.card').count(), 500);
  await page.page.fill('#search', 'entry 499:');
  // A long history is searched over a few frames; the count says when it is done.
  await page.page.waitForFunction(() => document.getElementById('countLabel').textContent === '1 of 500');
  assert.equal(await page.page.locator('.card').count(), 1);
  await page.page.fill('#search', '');
  assert.ok(await page.page.locator('.card').count() < 500, 'clearing the search draws one screenful again');
  assert.deepEqual(page.errors, []);
});

test('a search over a long history finishes over frames and the latest query wins', async () => {
  // Guards the sliced search: results of an abandoned query must never be drawn.
  const page = await env.page();
  await generateInPage(page.page, 500, 50000);
  await page.page.evaluate(() => window.__pr2clip.render(window.__generated));
  const settled = () => page.page.waitForFunction(() => document.getElementById('countLabel').textContent !== 'Searching…');
  await page.page.fill('#search', 'no such words anywhere');
  await settled();
  assert.equal(await page.page.locator('.search-empty-title').textContent(), 'No clips match “no such words anywhere”');
  await page.page.evaluate(() => {
    const field = document.getElementById('search');
    for (const value of ['entry 1', 'entry 12']) {
      field.value = value;
      field.dispatchEvent(new Event('input'));
    }
  });
  await settled();
  // "Entry 12" and "Entry 120" to "Entry 129" hold the query; close matches such as "Entry 102" and "Entry 212" follow.
  const texts = await page.page.locator('.card-text').allTextContents();
  const holding = texts.filter((text) => /^Entry 12\d?:/.test(text));
  assert.equal(holding.length, 11, texts.join('|').slice(0, 200));
  assert.deepEqual(texts.slice(0, 11), holding);
  assert.deepEqual(texts.slice(11).filter((text) => !/^Entry \d*1\d*2\d*:/.test(text)).map((text) => text.slice(0, 60)), []);
});

test('the keyboard reaches cards that are not drawn yet', async () => {
  const page = await env.page();
  await generateInPage(page.page, 500, 200);
  await page.page.evaluate(() => window.__pr2clip.render(window.__generated));
  await page.page.locator('#board').focus();
  await page.page.keyboard.press('End');
  assert.equal(await page.page.evaluate(() => document.activeElement.dataset.id), 'E0000499-AAAA-4BBB-8CCC-DDDDDDDDDDDD');
});

test('a big snapshot also decodes through the Base64 path', async () => {
  // The program sends everything as Base64 UTF-8; multi-byte text must survive.
  const page = await env.page();
  const text = 'Grüße 🦑 '.repeat(5000);
  const items = Array.from({ length: 20 }, (_, i) => clip(`${i} ${text}`));
  await page.render(snapshot({ items }));
  assert.equal(await page.page.locator('.card').count(), 20);
  assert.ok((await page.card(items[3].id).locator('.card-text').textContent()).startsWith('3 Grüße 🦑'));
});
