// The page in other languages: the catalogue the program serves sets the language and direction,
// picks plural forms by the language's rules, and ages and counts follow the language.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { setup, snapshot, clip, now } from './harness.mjs';

const env = setup();
const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'brimble-i18n-'));
before(() => env.start());
after(async () => {
  delete process.env.BRIMBLE_PAGE_CATALOGUE;
  fs.rmSync(folder, { recursive: true, force: true });
  await env.stop();
});

function serveCatalogue(catalogue) {
  const file = path.join(folder, `${catalogue.language}.json`);
  fs.writeFileSync(file, JSON.stringify(catalogue));
  process.env.BRIMBLE_PAGE_CATALOGUE = file;
}

const i18n = (page, body) => page.page.evaluate(`import('./js/i18n.js').then((m) => (${body})(m))`);

test('without a catalogue the page stays English, left to right', async () => {
  delete process.env.BRIMBLE_PAGE_CATALOGUE;
  const page = await env.page();
  assert.equal(await page.page.evaluate(() => document.documentElement.lang), 'en');
  const texts = await i18n(page, (m) => [m.t('Just now'), m.nt('{n} entry', '{n} entries', 1), m.nt('{n} entry', '{n} entries', 1234)]);
  assert.deepEqual(texts, ['Just now', '1 entry', '1,234 entries']);
});

test('a German catalogue translates, fills values and ages cards in German', async () => {
  serveCatalogue({
    language: 'de', dir: 'ltr', plural: ['one', 'other'],
    messages: { 'Just now': 'Gerade eben', 'Move to {name}': 'Nach {name} verschieben', '{n} entry': ['{n} Eintrag', '{n} Einträge'] },
  });
  const page = await env.page();
  assert.equal(await page.page.evaluate(() => document.documentElement.lang), 'de');
  const texts = await i18n(page, (m) => [
    m.t('Just now'), m.t('Move to {name}', { name: 'Arbeit' }), m.t('Not in the catalogue'),
    m.nt('{n} entry', '{n} entries', 1), m.nt('{n} entry', '{n} entries', 1234), m.formatSize(1536000),
  ]);
  assert.deepEqual(texts, ['Gerade eben', 'Nach Arbeit verschieben', 'Not in the catalogue', '1 Eintrag', '1.234 Einträge', '1,5 MB']);
  const fresh = clip('frisch', { ts: now() - 10 });
  const older = clip('älter', { ts: now() - 5 * 60 });
  const yesterday = clip('gestern', { ts: now() - 30 * 3600 });
  await page.render(snapshot({ items: [fresh, older, yesterday] }));
  assert.equal(await page.card(fresh.id).locator('.card-time').textContent(), 'Gerade eben');
  assert.equal(await page.card(older.id).locator('.card-time').textContent(), 'vor 5 Min.');
  assert.equal(await page.card(yesterday.id).locator('.card-time').textContent(), 'gestern');
});

// Russian has three forms for whole numbers: a page that took English's two would write
// "5 записи" where "5 записей" is right.
test('plural forms follow the language, in the catalogue\'s order of forms', async () => {
  serveCatalogue({
    language: 'ru', dir: 'ltr', plural: ['one', 'few', 'many'],
    messages: { '{n} entry': ['{n} запись', '{n} записи', '{n} записей'] },
  });
  const page = await env.page();
  const forms = await i18n(page, (m) => [1, 3, 5, 11, 21, 22].map((n) => m.nt('{n} entry', '{n} entries', n)));
  assert.deepEqual(forms, ['1 запись', '3 записи', '5 записей', '11 записей', '21 запись', '22 записи']);
});

test('an Arabic catalogue mirrors the page', async () => {
  serveCatalogue({ language: 'ar', dir: 'rtl', plural: ['zero', 'one', 'two', 'few', 'many', 'other'], messages: {} });
  const page = await env.page();
  const root = await page.page.evaluate(() => [document.documentElement.lang, document.documentElement.dir]);
  assert.deepEqual(root, ['ar', 'rtl']);
});

// A damaged catalogue must not leave the page blank: it falls back to English.
test('a catalogue that is not one leaves the page English', async () => {
  const file = path.join(folder, 'broken.json');
  fs.writeFileSync(file, '{"language": "de", "messages": ');
  process.env.BRIMBLE_PAGE_CATALOGUE = file;
  const page = await env.page();
  assert.equal(await page.page.evaluate(() => document.documentElement.lang), 'en');
  assert.equal(await i18n(page, (m) => m.t('Just now')), 'Just now');
});
