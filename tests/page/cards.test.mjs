// Cards: what each entry shows and the command each card control posts.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { setup, snapshot, clip, now } from './harness.mjs';

const env = setup();
before(() => env.start());
after(() => env.stop());

const imageURL = (name) => `${env.origin}/img/${name}`;

test('a card shows the text, the relative time and the size', async () => {
  const page = await env.page();
  const item = clip('Meeting notes\nsecond line', { ts: now() - 5 * 60 });
  await page.render(snapshot({ items: [item] }));
  const card = page.card(item.id);
  assert.equal(await card.locator('.card-text').textContent(), 'Meeting notes\nsecond line');
  assert.equal(await card.locator('.card-time').textContent(), '5 min ago');
  assert.equal(await card.locator('.card-kind').textContent(), '25 chars');
});

test('the size counts characters as a reader sees them, as the capture limit does', async () => {
  const page = await env.page();
  const rows = [
    // Code units gave 15: the party popper is two of them.
    ['\u00FCn\u00EFc\u00F8d\u00E9 \u2713 \u6771\u4EAC \u{1F389}', '14 chars'],
    // A family of emoji joined by zero-width joiners was counted as 8.
    ['\u{1F468}\u200D\u{1F469}\u200D\u{1F467}', '1 char'],
    ['e\u0301te\u0301', '3 chars'],
    ['\u{1F1EB}\u{1F1F7}\u{1F1E9}\u{1F1EA}', '2 chars'],
  ];
  const items = rows.map(([text]) => clip(text));
  await page.render(snapshot({ items }));
  for (let i = 0; i < rows.length; i++) {
    assert.equal(await page.card(items[i].id).locator('.card-kind').textContent(), rows[i][1], rows[i][0]);
  }
});

test('relative times read naturally across the ranges', async () => {
  const page = await env.page();
  const rows = [
    [10, 'Just now'], [3 * 3600, '3 h ago'], [30 * 3600, 'Yesterday'], [4 * 86400, '4 days ago'],
  ];
  const items = rows.map(([age]) => clip(`age ${age}`, { ts: now() - age }));
  await page.render(snapshot({ items }));
  for (let i = 0; i < rows.length; i++) {
    assert.equal(await page.card(items[i].id).locator('.card-time').textContent(), rows[i][1]);
  }
});

test('clicking a card copies it back', async () => {
  const page = await env.page();
  const item = clip('copy me');
  await page.render(snapshot({ items: [item] }));
  await page.take();
  await page.card(item.id).click();
  assert.deepEqual(await page.take(), [{ cmd: 'copy', id: item.id }]);
  assert.equal(await page.page.locator('#toast').textContent(), 'Copied to clipboard');
});

test('pin and delete buttons post their commands and do not copy', async () => {
  const page = await env.page();
  const item = clip('tools');
  await page.render(snapshot({ items: [item] }));
  await page.take();
  await page.card(item.id).hover();
  await page.card(item.id).locator('[data-action="pin"]').click();
  await page.card(item.id).locator('[data-action="delete"]').click();
  assert.deepEqual(await page.take(), [{ cmd: 'pin', id: item.id }, { cmd: 'delete', id: item.id }]);
});

test('a pinned card is marked and its pin button offers Unpin', async () => {
  const page = await env.page();
  const pinned = clip('keep', { pinned: true });
  const loose = clip('loose');
  await page.render(snapshot({ items: [pinned, loose] }));
  assert.equal(await page.card(pinned.id).getAttribute('class'), 'card pinned');
  assert.equal(await page.card(pinned.id).locator('.pinmark').isVisible(), true);
  assert.equal(await page.card(pinned.id).locator('[data-action="pin"]').getAttribute('title'), 'Unpin');
  assert.equal(await page.card(loose.id).locator('.pinmark').isVisible(), false);
  // The same card loses its mark when a later snapshot unpins it.
  await page.render(snapshot({ items: [{ ...pinned, pinned: false }, loose] }));
  assert.equal(await page.card(pinned.id).locator('.pinmark').isVisible(), false);
});

test('picture entries show their thumbnail from imgURL', async () => {
  const page = await env.page();
  const png = clip('', { kind: 'image', imgURL: imageURL('0B9E3C62-5A3D-4C2B-9F51-2D4E8A6B7C10.png') });
  const jpg = clip('', { kind: 'image', imgURL: imageURL('7C1D2E3F-4A5B-4C6D-8E9F-0A1B2C3D4E5F.jpg') });
  const missing = clip('', { kind: 'image' });
  await page.render(snapshot({ items: [png, jpg, missing] }));
  for (const item of [png, jpg]) {
    const img = page.card(item.id).locator('img.card-thumb');
    await img.evaluate((node) => node.decode());
    assert.equal(await img.getAttribute('src'), item.imgURL);
    assert.ok(await img.evaluate((node) => node.naturalWidth) > 0);
  }
  assert.equal(await page.card(missing.id).locator('img').count(), 0);
  assert.equal(await page.card(png.id).locator('.card-kind').textContent(), 'Picture');
});

test('a picture still on its way is a named placeholder that copies nothing, then becomes the picture', async () => {
  const page = await env.page();
  const waiting = { ...clip('PNG · 1×1', { kind: 'image', ts: now() - 60 }), waiting: true };
  await page.render(snapshot({ items: [waiting] }));
  const card = page.card(waiting.id);
  assert.equal(await card.locator('.card-media.waiting .card-media-placeholder').count(), 1);
  assert.equal(await card.locator('.card-kind').textContent(), 'Picture on its way');
  assert.equal(await card.getAttribute('aria-label'), '1 min ago, Picture on its way');
  await page.take();
  await card.click();
  await page.page.keyboard.press('Enter');
  assert.deepEqual(await page.take(), [], 'nothing goes to the program, so nothing is pasted');
  assert.equal(await page.page.locator('#toast').textContent(), 'The picture has not arrived yet: nothing was copied');
  // The file arrived: the same entry now shows its picture.
  await page.render(snapshot({ items: [{ ...waiting, waiting: false, imgURL: imageURL('0B9E3C62-5A3D-4C2B-9F51-2D4E8A6B7C10.png') }] }));
  assert.equal(await page.card(waiting.id).locator('.card-media.waiting').count(), 0);
  assert.equal(await page.card(waiting.id).locator('img.card-thumb').count(), 1);
  assert.equal(await page.card(waiting.id).locator('.card-kind').textContent(), 'Picture');
});

test('web links get an Open button that goes through the program', async () => {
  const page = await env.page();
  const link = clip('https://example.org/a?b=c');
  const mail = clip('mailto:hello@example.org');
  await page.render(snapshot({ items: [link, mail] }));
  await page.take();
  await page.card(link.id).hover();
  await page.card(link.id).locator('[data-action="open"]').click();
  assert.deepEqual(await page.take(), [{ cmd: 'open', url: 'https://example.org/a?b=c' }]);
  assert.equal(await page.card(mail.id).locator('[data-action="open"]').count(), 1);
  assert.equal(await page.page.locator('a').count(), 0, 'no navigable anchors at all');
});

test('a 50,000-character entry puts only its first lines in the document', async () => {
  // Guards against a preview that hands the whole clip to the layout engine.
  const page = await env.page();
  const long = clip(Array.from({ length: 2000 }, (_, i) => `line ${i} ${'x'.repeat(20)}`).join('\n').slice(0, 50000));
  const wide = clip('y'.repeat(50000));
  await page.render(snapshot({ items: [long, wide] }));
  const lengths = await page.page.evaluate(() => [...document.querySelectorAll('.card-text')].map((n) => n.textContent.length));
  for (const length of lengths) assert.ok(length <= 300, `preview of ${length} characters`);
  assert.ok((await page.card(long.id).locator('.card-text').textContent()).startsWith('line 0 '));
  assert.equal(await page.card(wide.id).locator('.card-kind').textContent(), '50k chars');
});

// A new page's first snapshot may carry a long text's beginning only, with the whole length; the
// whole text comes in the next snapshot. Until then the card tells the whole size, and a link cut
// short is not opened.
test('a card drawn from the beginning of a text tells the whole size and takes the whole text after', async () => {
  const page = await env.page();
  const item = clip('https://example.org/a');
  await page.render(snapshot({ items: [{ ...item, textPart: true, chars: 5000 }] }));
  const card = page.card(item.id);
  await page.take();
  await card.hover();
  await card.locator('[data-action="open"]').click();
  assert.deepEqual(await page.take(), [], 'a link cut short opens nothing');

  const text = clip('z'.repeat(12000));
  await page.render(snapshot({ items: [{ ...text, text: 'z'.repeat(4096), textPart: true, chars: 12000 }] }));
  assert.equal(await page.card(text.id).locator('.card-kind').textContent(), '12k chars');
  await page.render(snapshot({ items: [{ ...text, text: 'Ω'.repeat(12000) }] }));
  assert.equal(await page.card(text.id).locator('.card-kind').textContent(), '12k chars');
  assert.ok((await page.card(text.id).locator('.card-text').textContent()).startsWith('ΩΩ'), 'the whole text replaces the beginning');
});

test('hovering the time shows the exact date and hour', async () => {
  const page = await env.page();
  const item = clip('dated', { ts: Date.UTC(2023, 4, 17, 9, 30) / 1000 });
  await page.render(snapshot({ items: [item] }));
  const time = page.card(item.id).locator('.card-time');
  assert.equal(await time.getAttribute('title'), null, 'formatted only when needed');
  await time.hover();
  assert.match(await time.getAttribute('title'), /2023/);
});

test('blank text and leading blank lines are handled', async () => {
  const page = await env.page();
  const blank = clip('   \n\n  ');
  const padded = clip('\n\n\n  indented start');
  await page.render(snapshot({ items: [blank, padded] }));
  assert.equal(await page.card(blank.id).locator('.card-text').textContent(), 'Blank text');
  assert.equal(await page.card(padded.id).locator('.card-text').textContent(), '  indented start');
});

test('cards are reused across snapshots', async () => {
  const page = await env.page();
  const a = clip('alpha');
  const b = clip('beta');
  await page.render(snapshot({ items: [a, b] }));
  await page.page.evaluate((id) => { document.querySelector(`.card[data-id="${id}"]`).__mark = 1; }, a.id);
  await page.render(snapshot({ items: [b, { ...a, ts: now() }] }));
  assert.deepEqual(await page.containerIds(''), [b.id, a.id]);
  assert.equal(await page.card(a.id).evaluate((node) => node.__mark), 1);
});
