// Entries kept with their formatting or as copied files: what their cards show, and the plain
// copy they offer.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { setup, snapshot, clip } from './harness.mjs';

const env = setup();
before(() => env.start());
after(() => env.stop());

test('a formatted card shows its text with a mark and never draws markup', async () => {
  const page = await env.page();
  const item = { ...clip('<img src=x onerror="window.hit=1"><b>bold</b>'), formatted: true };
  await page.render(snapshot({ items: [item] }));
  const card = page.card(item.id);
  assert.equal(await card.locator('.card-text').textContent(), '<img src=x onerror="window.hit=1"><b>bold</b>');
  assert.equal(await card.locator('.card-text b, .card-text img').count(), 0);
  assert.match(await card.locator('.card-kind').textContent(), /^Formatted · \d+ chars$/);
  assert.equal(await page.page.evaluate(() => window.hit), undefined);
});

test('a files card lists the names with their count and marks a missing one', async () => {
  const page = await env.page();
  const item = {
    ...clip('/home/u/report.pdf\n/home/u/gone.txt'),
    files: [{ name: 'report.pdf' }, { name: 'gone.txt', missing: true }],
    fileCount: 25,
  };
  await page.render(snapshot({ items: [item] }));
  const card = page.card(item.id);
  assert.equal(await card.locator('.card-text').textContent(), 'report.pdf\ngone.txt (missing)\nand 23 more files');
  assert.equal(await card.locator('.card-kind').textContent(), '25 files');
  // Icons are asked for by entry and place in its list, never by path; a missing file has none.
  const icons = await card.locator('.card-file-icon').evaluateAll((imgs) => imgs.map((img) => img.getAttribute('src')));
  assert.deepEqual(icons, [`vellumo://clipboard/file-icon/${encodeURIComponent(item.id)}/0`]);
  // The file back again: its icon joins, and redrawing never doubles the row.
  await page.render(snapshot({ items: [{ ...item, files: [{ name: 'report.pdf' }, { name: 'gone.txt' }] }] }));
  assert.equal(await card.locator('.card-file-icons').count(), 1);
  assert.equal(await card.locator('.card-file-icon').count(), 2);
});

test('Shift+Enter and the card action copy a formatted entry as plain text; Enter copies it whole', async () => {
  const page = await env.page();
  const formatted = { ...clip('formatted'), formatted: true };
  const plain = clip('plain');
  await page.render(snapshot({ items: [formatted, plain] }));
  await page.take();
  assert.equal(await page.card(plain.id).locator('[data-action="plain"]').count(), 0);
  await page.card(formatted.id).locator('[data-action="plain"]').click();
  assert.deepEqual(await page.take(), [{ cmd: 'copyPlain', id: formatted.id }]);
  assert.equal(await page.page.locator('#toast').textContent(), 'Copied as plain text');
  await page.page.keyboard.press('Shift+Enter');
  await page.page.keyboard.press('Enter');
  assert.deepEqual(await page.take(), [{ cmd: 'copyPlain', id: formatted.id }, { cmd: 'copy', id: formatted.id }]);
});
