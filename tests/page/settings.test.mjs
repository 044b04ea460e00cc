// The Settings sheet and the recording switch in the header.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { setup, snapshot, clip, session, openSettings } from './harness.mjs';

const env = setup();
before(() => env.start());
after(() => env.stop());

test('the sheet shows the snapshot’s values', async () => {
  const page = await env.page();
  await openSettings(page, { paused: true, recordSecrets: true, cap: 120, appearanceMode: 'dark', excluded: ['org.keepassxc.KeePassXC.desktop', 'firefox.desktop'] });
  assert.equal(await page.page.locator('#setPaused').getAttribute('aria-checked'), 'true');
  assert.equal(await page.page.locator('#setSecrets').getAttribute('aria-checked'), 'true');
  assert.equal(await page.page.locator('#setCap').inputValue(), '120');
  assert.equal(await page.page.locator('#setAppearance [aria-checked="true"]').textContent(), 'Dark');
  assert.deepEqual(await page.page.locator('.exclude-name').allTextContents(), ['KeePassXC', 'Firefox']);
  assert.deepEqual(await page.page.locator('.exclude-id').allTextContents(), ['org.keepassxc.KeePassXC.desktop', 'firefox.desktop']);
});

test('switches post the opposite of the snapshot’s value', async () => {
  const page = await env.page();
  await openSettings(page, { paused: false, recordSecrets: false });
  await page.page.click('#setPaused');
  await page.page.click('#setSecrets');
  assert.deepEqual(await page.take(), [{ cmd: 'pause', paused: true }, { cmd: 'recordSecrets', value: true }]);
  // Nothing flips until the program answers.
  assert.equal(await page.page.locator('#setPaused').getAttribute('aria-checked'), 'false');
  await page.render(snapshot({ items: [clip('x')], paused: true, recordSecrets: true }));
  await page.page.click('#setPaused');
  await page.page.click('#setSecrets');
  assert.deepEqual(await page.take(), [{ cmd: 'pause', paused: false }, { cmd: 'recordSecrets', value: false }]);
});

test('the header pill pauses and resumes recording', async () => {
  const page = await env.page();
  await page.render(snapshot({ items: [clip('x')] }));
  await page.take();
  assert.equal(await page.page.locator('#pauseLabel').textContent(), 'Recording');
  await page.page.click('#pauseButton');
  await page.render(snapshot({ items: [clip('x')], paused: true }));
  assert.equal(await page.page.locator('#pauseLabel').textContent(), 'Paused');
  await page.page.click('#pauseButton');
  assert.deepEqual(await page.take(), [{ cmd: 'pause', paused: true }, { cmd: 'pause', paused: false }]);
});

// The pill said "Recording" while the compositor connection was gone and nothing was recorded.
test('the header pill says when the clipboard can no longer be watched', async () => {
  const page = await env.page();
  await page.render(snapshot({ items: [clip('x')], clipboardWatched: false }));
  assert.equal(await page.page.locator('#pauseLabel').textContent(), 'Not recording');
  assert.match(await page.page.locator('#pauseButton').getAttribute('title'), /lost its connection to the clipboard/);
  await page.render(snapshot({ items: [clip('x')], clipboardWatched: true }));
  assert.equal(await page.page.locator('#pauseLabel').textContent(), 'Recording');
});

// A sync folder that went away (an unmounted drive) must be said, not look as if sync went on.
test('the header says whether sync is on, paused for its folder, and when another machine last changed', async () => {
  const page = await env.page();
  const status = page.page.locator('#syncStatus');
  await page.render(snapshot({ items: [clip('x')] }));
  assert.equal(await status.isVisible(), false, 'hidden while sync is off');
  const folder = '/home/u/Sync/brimble';
  const rows = [
    [{ state: 'ok', lastArrival: 0, folder }, 'Synced', /No change from another machine yet/],
    [{ state: 'ok', lastArrival: Date.now() / 1000 - 5, folder }, 'Synced', /Last change from another machine: Just now/],
    [{ state: 'missing', lastArrival: 0, folder }, 'Sync paused', /sync folder \/home\/u\/Sync\/brimble is missing/],
    [{ state: 'unwritable', lastArrival: 0, folder }, 'Sync paused', /cannot be written/],
  ];
  for (const [sync, label, title] of rows) {
    await page.render(snapshot({ items: [clip('x')], sync }));
    assert.equal(await status.isVisible(), true);
    assert.equal(await page.page.locator('#syncLabel').textContent(), label);
    assert.match(await status.getAttribute('title'), title);
  }
});

test('the sync rows: off, then the folder, Turn off, Choose…, and the switch of the session in view', async () => {
  const page = await env.page();
  const sessions = [session('Default', { id: 'S1' }), session('Private', { id: 'S2' })];
  await openSettings(page, { sessions });
  assert.match(await page.page.locator('#noteSyncFolder').textContent(), /^Off/);
  assert.equal(await page.page.locator('#syncOffRow').isVisible(), false);
  assert.equal(await page.page.locator('#syncSessionRow').isVisible(), false);
  await page.page.click('#syncChoose');
  assert.deepEqual(await page.take(), [{ cmd: 'syncChoose' }]);

  const sync = { state: 'ok', lastArrival: 0, folder: '/home/u/Sync/brimble', localSessions: [] };
  await page.render(snapshot({ items: [clip('x')], sessions, sync }));
  assert.equal(await page.page.locator('#noteSyncFolder').textContent(), 'Shared through /home/u/Sync/brimble');
  await page.page.click('#syncOff');
  assert.deepEqual(await page.take(), [{ cmd: 'syncOff' }]);
  // The first session is every machine's: on, and not to be switched.
  const sw = page.page.locator('#setSyncSession');
  assert.equal(await sw.getAttribute('aria-checked'), 'true');
  assert.equal(await sw.isDisabled(), true);
  // Another session switches between synced and kept here.
  await page.render(snapshot({ items: [clip('x')], sessions, sync, activeSessionId: 'S2' }));
  assert.equal(await page.page.locator('#titleSyncSession').textContent(), 'Sync “Private”');
  await sw.click();
  assert.deepEqual(await page.take(), [{ cmd: 'syncSession', id: 'S2', shared: false }]);
  await page.render(snapshot({ items: [clip('x')], sessions, sync: { ...sync, localSessions: ['S2'] }, activeSessionId: 'S2' }));
  assert.equal(await sw.getAttribute('aria-checked'), 'false');
  assert.match(await page.page.locator('#noteSyncSession').textContent(), /^Kept on this machine/);
  await sw.click();
  assert.deepEqual(await page.take(), [{ cmd: 'syncSession', id: 'S2', shared: true }]);
});

test('the history limit posts the typed number when committed', async () => {
  const page = await env.page();
  await openSettings(page, { cap: 50 });
  await page.page.fill('#setCap', '200');
  await page.page.press('#setCap', 'Enter');
  await page.page.fill('#setCap', '');
  await page.page.press('#setCap', 'Enter');
  assert.deepEqual(await page.take(), [{ cmd: 'cap', value: 200 }]);
  assert.equal(await page.page.locator('#setCap').inputValue(), '50', 'an invalid value falls back to the snapshot’s');
});

test('the appearance control posts the chosen mode', async () => {
  const page = await env.page();
  await openSettings(page, { appearanceMode: 'system' });
  await page.page.click('#setAppearance [data-mode="dark"]');
  await page.page.click('#setAppearance [data-mode="light"]');
  await page.page.click('#setAppearance [data-mode="system"]');
  await page.page.click('#setAppearance [data-mode="system"]');
  // Back to the mode of the last snapshot before it answered: the program still has to hear it
  // (it once heard nothing and stayed light). A second click on the chosen mode posts nothing.
  assert.deepEqual(await page.take(), ['dark', 'light', 'system'].map((mode) => ({ cmd: 'appearance', mode })));
});

test('excluded apps: Add… asks the program, the cross removes one', async () => {
  const page = await env.page();
  await openSettings(page, { excluded: ['org.keepassxc.KeePassXC.desktop'] });
  await page.page.click('#excludeAdd');
  await page.page.click('.exclude-remove');
  assert.deepEqual(await page.take(), [{ cmd: 'excludeAdd' }, { cmd: 'excludeRemove', id: 'org.keepassxc.KeePassXC.desktop' }]);
});

test('an excluded app no installed application matches is marked, the others are not', async () => {
  const page = await env.page();
  await page.render({ ...snapshot({ items: [clip('x')], excluded: ['debian-xterm', 'org.example.Gone'] }), excludedUnmatched: ['org.example.Gone'] });
  await page.take();
  await page.page.click('#settingsButton');
  const rows = page.page.locator('.exclude-row');
  assert.equal(await rows.count(), 2);
  assert.equal(await rows.nth(0).locator('.exclude-unmatched').count(), 0);
  assert.equal(await rows.nth(1).locator('.exclude-unmatched').textContent(), 'Not installed here: its copies can’t be recognised.');
  assert.match(await rows.nth(1).getAttribute('class'), /\bunmatched\b/);
  // Still removable like any other.
  await rows.nth(1).locator('.exclude-remove').click();
  assert.deepEqual(await page.take(), [{ cmd: 'excludeRemove', id: 'org.example.Gone' }]);
});

test('an empty exclusion list says so', async () => {
  const page = await env.page();
  await openSettings(page);
  assert.equal(await page.page.locator('.exclude-none').textContent(), 'No apps are excluded.');
});

test('Clear history asks first and clears only when confirmed', async () => {
  const page = await env.page();
  await openSettings(page);
  await page.answerConfirm(false, true);
  await page.page.click('#clearHistory');
  await page.page.click('#clearHistory');
  assert.deepEqual(await page.take(), [{ cmd: 'clear' }]);
  const asked = await page.dialogs();
  assert.equal(asked.length, 2);
  assert.match(asked[0].message, /Pinned clips are kept/);
});

test('Help and About ask the program for its windows', async () => {
  const page = await env.page();
  await openSettings(page);
  await page.page.click('#helpButton');
  await page.page.click('#aboutButton');
  assert.deepEqual(await page.take(), [{ cmd: 'help' }, { cmd: 'about' }]);
});

test('the sheet stays open across snapshots and closes with Escape or the scrim', async () => {
  const page = await env.page();
  await openSettings(page);
  await page.render(snapshot({ items: [clip('y')], cap: 70 }));
  assert.equal(await page.page.locator('#settings').isVisible(), true);
  assert.equal(await page.page.locator('#setCap').inputValue(), '70');
  await page.page.keyboard.press('Escape');
  assert.equal(await page.page.locator('#settings').isVisible(), false);
  await page.page.click('#settingsButton');
  await page.page.mouse.click(10, 300);
  assert.equal(await page.page.locator('#settings').isVisible(), false);
});

test('the empty state of a paused history offers to resume', async () => {
  const page = await env.page();
  await page.render(snapshot({ paused: true }));
  await page.take();
  await page.page.click('.empty-state [data-action="resume"]');
  assert.deepEqual(await page.take(), [{ cmd: 'pause', paused: false }]);
});

test('the excluded apps say when the desktop cannot tell the app in front', async () => {
  const page = await env.page();
  await openSettings(page, { excluded: ['firefox.desktop'], frontmostKnown: false });
  assert.equal(await page.page.locator('#excludeUnknown').isVisible(), true);
  await page.render(snapshot({ items: [clip('x')], excluded: ['firefox.desktop'] }));
  // A snapshot without the key (an older program) keeps the note hidden.
  assert.equal(await page.page.locator('#excludeUnknown').isVisible(), false);
});

test('paste after choosing is shown as unavailable where the desktop cannot paste', async () => {
  const page = await env.page();
  await openSettings(page, { pasteAfterChoosing: false, pasteAvailable: false });
  assert.equal(await page.page.locator('#pasteUnavailable').isVisible(), true);
  assert.equal(await page.page.locator('#setPasteAfter').isDisabled(), true);
  await page.page.click('#setPasteAfter', { force: true });
  assert.deepEqual(await page.take(), [], 'a disabled switch posts nothing');
  const description = () => page.page.evaluate(() => document.getElementById('setPasteAfter').getAttribute('aria-describedby'));
  assert.equal(await description(), 'notePasteAfter pasteUnavailable');
  await page.render(snapshot({ items: [clip('x')] }));
  assert.equal(await page.page.locator('#pasteUnavailable').isVisible(), false);
  assert.equal(await page.page.locator('#setPasteAfter').isDisabled(), false);
  // A hidden note named in the description is read out all the same.
  assert.equal(await description(), 'notePasteAfter');
});
