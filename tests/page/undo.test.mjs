// Undo of a delete or a clear: the notice follows the program's offer, and
// Control+Z (or the notice's button) asks for it and puts the keyboard on the
// card that came back.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { setup, snapshot, clip } from './harness.mjs';

const env = setup();
before(() => env.start());
after(() => env.stop());

const notice = (page) => page.page.evaluate(() => {
  const toast = document.getElementById('toast');
  return toast.hidden ? null : { text: toast.textContent, button: toast.querySelector('.toast-action')?.textContent ?? null };
});

test('the notice says what went, for each kind of removal, and hides when the offer ends', async () => {
  const page = await env.page();
  const items = [clip('one'), clip('two')];
  for (const [undo, text] of [
    [{ kind: 'delete', count: 1, serial: 1 }, 'Deleted Undo'],
    [{ kind: 'delete', count: 3, serial: 2 }, '3 clips deleted Undo'],
    [{ kind: 'clear', count: 7, serial: 3 }, 'History cleared Undo'],
  ]) {
    await page.render(snapshot({ items, undo }));
    assert.equal((await notice(page))?.text, text);
  }
  // The same offer in the next snapshot (a copy arriving) is not shown or said again.
  await page.page.evaluate(() => { document.getElementById('toast').hidden = true; });
  await page.render(snapshot({ items, undo: { kind: 'clear', count: 7, serial: 3 } }));
  assert.equal(await notice(page), null);
  await page.render(snapshot({ items, undo: { kind: 'delete', count: 1, serial: 4 } }));
  assert.notEqual(await notice(page), null);
  await page.render(snapshot({ items }));
  assert.equal(await notice(page), null, 'the offer ended, so the notice goes');
  // Nothing to undo: Control+Z asks for nothing.
  await page.take();
  await page.page.keyboard.press('Control+z');
  assert.deepEqual(await page.take(), []);
});

test('Control+Z undoes from the board and an empty search, and leaves a typed search to the field', async () => {
  const page = await env.page();
  const kept = clip('kept');
  const gone = clip('gone');
  await page.render(snapshot({ items: [kept, gone] }));
  await page.card(gone.id).focus();
  await page.page.keyboard.press('Delete');
  await page.render(snapshot({ items: [kept], undo: { kind: 'delete', count: 1, serial: 9 } }));
  await page.take();

  // Typed text in the search field is the field's own to undo.
  await page.page.locator('#search').fill('ke');
  await page.page.keyboard.press('Control+z');
  assert.deepEqual(await page.take(), []);
  await page.page.locator('#search').fill('');
  await page.page.locator('#search').focus();
  await page.page.keyboard.press('Control+z');
  assert.deepEqual(await page.take(), [{ cmd: 'undo' }]);
  await page.nextFrame();
  assert.equal(await page.page.locator('#announcer').textContent(), 'Restored');

  // The entry comes back under a fresh id; the keyboard goes to it.
  const back = clip('gone');
  await page.render(snapshot({ items: [kept, back] }));
  assert.equal(await page.page.evaluate(() => document.activeElement?.dataset.id), back.id);
});

test('the notice\'s button asks for the undo', async () => {
  const page = await env.page();
  await page.render(snapshot({ items: [clip('one')], undo: { kind: 'clear', count: 2, serial: 5 } }));
  await page.take();
  await page.page.locator('#toast .toast-action').click();
  assert.deepEqual(await page.take(), [{ cmd: 'undo' }]);
  assert.equal((await notice(page))?.text, 'Restored');
});

// Edit ▸ Undo in the program's menu ran the engine's text undo wherever the keyboard was, so a
// deleted card never came back from it. It now asks the page, which answers as Control+Z decides.
test('the menu\'s Undo is the page\'s where Control+Z would be, the engine\'s in a typed field', async () => {
  const page = await env.page();
  const kept = clip('kept');
  const offer = { kind: 'delete', count: 1, serial: 3 };
  const cases = [
    ['a card, with an offer', `.card[data-id="${kept.id}"]`, '', offer, 'page'],
    ['an empty search, with an offer', '#search', '', offer, 'page'],
    ['a typed search, with an offer', '#search', 'ke', offer, 'text'],
    ['a card, with nothing to take back', `.card[data-id="${kept.id}"]`, '', undefined, 'text'],
  ];
  for (const [where, selector, typed, undo, answer] of cases) {
    await page.render(snapshot({ items: [kept], undo }));
    await page.page.locator('#search').fill(typed);
    await page.page.focus(selector);
    await page.take();
    assert.equal(await page.page.evaluate(() => window.__pr2clip.menuUndo()), answer, where);
    assert.deepEqual(await page.take(), answer === 'page' ? [{ cmd: 'undo' }] : [], where);
  }
});
