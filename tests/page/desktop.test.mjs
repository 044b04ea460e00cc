// What the page does for the desktop around it: the start-at-login and
// paste-after-choosing switches, the search the shortcut opens, and Escape
// putting the window away.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { setup, snapshot, clip, openSettings } from './harness.mjs';

const env = setup();
before(() => env.start());
after(() => env.stop());

const checked = (page, id) => page.page.locator(id).getAttribute('aria-checked');
const activeId = (page) => page.page.evaluate(() => document.activeElement?.id ?? null);

test('the desktop switches show the snapshot and post the opposite', async () => {
  const page = await env.page();
  await openSettings(page);
  assert.equal(await checked(page, '#setAutostart'), 'false', 'both off when the snapshot has no value');
  assert.equal(await checked(page, '#setPasteAfter'), 'false');
  await page.page.click('#setAutostart');
  await page.page.click('#setPasteAfter');
  assert.deepEqual(await page.take(), [{ cmd: 'autostart', value: true }, { cmd: 'pasteAfterChoosing', value: true }]);
  // Nothing flips until the program answers: the autostart entry may fail to be written.
  assert.equal(await checked(page, '#setAutostart'), 'false');

  await page.render(snapshot({ items: [clip('x')], autostart: true, pasteAfterChoosing: true }));
  assert.equal(await checked(page, '#setAutostart'), 'true');
  assert.equal(await checked(page, '#setPasteAfter'), 'true');
  await page.page.click('#setAutostart');
  await page.page.click('#setPasteAfter');
  assert.deepEqual(await page.take(), [{ cmd: 'autostart', value: false }, { cmd: 'pasteAfterChoosing', value: false }]);
});

// Only true is on: a hand-made or older snapshot must not switch anything on.
test('switch values that are not true read as off', async () => {
  const page = await env.page();
  await openSettings(page, { autostart: 'true', pasteAfterChoosing: 1 });
  assert.equal(await checked(page, '#setAutostart'), 'false');
  assert.equal(await checked(page, '#setPasteAfter'), 'false');
});

test('summonSearch closes an open sheet and leaves the search field ready to type over', async () => {
  const page = await env.page();
  await openSettings(page);
  await page.page.evaluate(() => { document.getElementById('search').value = 'old query'; });
  await page.page.evaluate(() => window.__pr2clip.summonSearch());
  assert.equal(await page.page.locator('#settings').isVisible(), false);
  assert.equal(await activeId(page), 'search');
  await page.page.keyboard.type('new');
  assert.equal(await page.page.inputValue('#search'), 'new', 'the old query was selected');
  assert.deepEqual(await page.take(), []);
});

test('Escape in the search field clears a query first, then hides the window', async () => {
  const page = await env.page();
  await page.render(snapshot({ items: [clip('apple')] }));
  await page.take();
  await page.page.fill('#search', 'app');
  await page.page.press('#search', 'Escape');
  assert.equal(await page.page.inputValue('#search'), '');
  assert.deepEqual(await page.take(), [], 'clearing the search does not hide');
  await page.page.press('#search', 'Escape');
  assert.deepEqual(await page.take(), [{ cmd: 'hide' }]);
});

test('Escape closes what is open before it hides the window', async () => {
  const page = await env.page();
  const item = clip('apple');
  await openSettings(page, { items: [item] });
  await page.page.keyboard.press('Escape');
  assert.equal(await page.page.locator('#settings').isVisible(), false);
  await page.card(item.id).click({ modifiers: ['Control'] });
  await page.page.keyboard.press('Escape');
  assert.deepEqual(await page.take(), [], 'closing the sheet and clearing the selection do not hide');
  await page.page.keyboard.press('Escape');
  assert.deepEqual(await page.take(), [{ cmd: 'hide' }]);
});
