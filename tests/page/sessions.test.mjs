// The session menu next to the application name.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { setup, snapshot, clip, session } from './harness.mjs';

const env = setup();
before(() => env.start());
after(() => env.stop());

function sessions() {
  return [session('Default'), session('Research'), session('Trip “2025”')];
}

test('the header names the active session', async () => {
  const page = await env.page();
  const list = sessions();
  await page.render(snapshot({ sessions: list, activeSessionId: list[1].id }));
  assert.equal(await page.page.locator('#sessionName').textContent(), 'Research');
});

test('an unknown active id shows the first session, as the program does', async () => {
  const page = await env.page();
  const list = sessions();
  await page.render(snapshot({ sessions: list, activeSessionId: 'STALE' }));
  assert.equal(await page.page.locator('#sessionName').textContent(), 'Default');
});

test('the menu lists every session and marks the active one', async () => {
  const page = await env.page();
  const list = sessions();
  await page.render(snapshot({ sessions: list, activeSessionId: list[2].id }));
  await page.page.click('#sessionButton');
  const rows = await page.page.locator('.menu-item[role="menuitemradio"]').evaluateAll((nodes) =>
    nodes.map((n) => [n.dataset.id, n.textContent, n.getAttribute('aria-checked')]));
  assert.deepEqual(rows, [
    [list[0].id, 'Default', 'false'], [list[1].id, 'Research', 'false'], [list[2].id, 'Trip “2025”', 'true'],
  ]);
});

test('choosing another session switches; choosing the active one sends nothing', async () => {
  const page = await env.page();
  const list = sessions();
  await page.render(snapshot({ sessions: list }));
  await page.take();
  await page.page.click('#sessionButton');
  await page.page.click(`.menu-item[data-id="${list[0].id}"]`);
  await page.page.click('#sessionButton');
  await page.page.click(`.menu-item[data-id="${list[1].id}"]`);
  assert.deepEqual(await page.take(), [{ cmd: 'sessionSwitch', id: list[1].id }]);
  assert.equal(await page.page.locator('.menu').count(), 0);
});

test('Rename asks with the current name', async () => {
  const page = await env.page();
  const list = sessions();
  await page.render(snapshot({ sessions: list, activeSessionId: list[1].id }));
  await page.take();
  await page.answerPrompt(' Papers ');
  await page.page.click('#sessionButton');
  await page.page.click('.menu-item[data-id="rename"]');
  assert.deepEqual(await page.take(), [{ cmd: 'sessionRename', id: list[1].id, name: 'Papers' }]);
  assert.equal((await page.dialogs())[0].initial, 'Research');
});

test('New Session asks a name; blank or cancelled creates nothing', async () => {
  const page = await env.page();
  await page.render(snapshot({ sessions: sessions() }));
  await page.take();
  await page.answerPrompt('Taxes', '  ', null);
  for (let i = 0; i < 3; i++) {
    await page.page.click('#sessionButton');
    await page.page.click('.menu-item[data-id="new"]');
  }
  assert.deepEqual(await page.take(), [{ cmd: 'sessionCreate', name: 'Taxes' }]);
});

test('a switch redraws from the next snapshot with the other session’s entries', async () => {
  const page = await env.page();
  const list = sessions();
  const a = clip('from default');
  const b = clip('from research');
  await page.render(snapshot({ sessions: list, items: [a] }));
  await page.render(snapshot({ sessions: list, activeSessionId: list[1].id, items: [b] }));
  assert.deepEqual(await page.containerIds(''), [b.id]);
  assert.equal(await page.page.locator('#sessionName').textContent(), 'Research');
});

test('Escape closes the menu and the arrow keys walk it', async () => {
  const page = await env.page();
  const list = sessions();
  await page.render(snapshot({ sessions: list }));
  await page.take();
  await page.page.click('#sessionButton');
  // The menu opens on the session shown, so a reader hears an item at once.
  assert.equal(await page.page.evaluate(() => document.activeElement.textContent), list[0].name);
  await page.page.keyboard.press('ArrowDown');
  await page.page.keyboard.press('Enter');
  assert.deepEqual(await page.take(), [{ cmd: 'sessionSwitch', id: list[1].id }]);
  // The keyboard is back on the button that opened the menu.
  assert.equal(await page.page.evaluate(() => document.activeElement.id), 'sessionButton');
  await page.page.click('#sessionButton');
  await page.page.keyboard.press('Escape');
  assert.equal(await page.page.locator('.menu').count(), 0);
});
