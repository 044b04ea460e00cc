// The page in the shipped languages: no text the page draws escapes the catalogue, German's
// longer texts and Japanese fit the default window, and Arabic mirrors the page. The catalogues are made here
// from the sources and po/*.po with the build's own tools (xgettext, msgfmt, catalogue_json.py),
// so the suite needs no build. Screenshots go to a temporary folder named in the test's output.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { setup, snapshot, clip, block, session, pageRoot, repoRoot } from './harness.mjs';

const env = setup();
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'brimble-languages-'));
const shots = path.join(work, 'screenshots');
fs.mkdirSync(shots);
before(() => env.start());
after(async () => {
  delete process.env.BRIMBLE_PAGE_CATALOGUE;
  await env.stop();
  // The screenshots stay for a person to look at; the catalogues made for the tests go.
  for (const name of fs.readdirSync(work)) if (name !== 'screenshots') fs.rmSync(path.join(work, name), { force: true });
});

function run(command, args) {
  const result = spawnSync(command, args, { encoding: 'utf8' });
  assert.equal(result.status, 0, `${command} failed: ${result.stderr}`);
}

// The page's texts as the build extracts them: its JavaScript and the list made from its markup.
function pageMessages() {
  const markup = path.join(work, 'markup_texts.js');
  const pot = path.join(work, 'page.pot');
  run('python3', [path.join(repoRoot, 'po/markup_texts.py'), path.join(pageRoot, 'index.html'), markup]);
  const scripts = fs.readdirSync(path.join(pageRoot, 'js')).filter((name) => name.endsWith('.js')).map((name) => path.join(pageRoot, 'js', name));
  run('xgettext', ['--language=JavaScript', '--from-code=UTF-8', '--keyword=t', '--keyword=nt:1,2', '-o', pot, ...scripts, markup]);
  const entries = [];
  for (const chunk of fs.readFileSync(pot, 'utf8').split(/\n\n+/)) {
    const fields = {};
    let key = null;
    for (const line of chunk.split('\n')) {
      const start = line.match(/^(msgid|msgid_plural|msgctxt) (".*")$/);
      if (start) {
        key = start[1];
        fields[key] = JSON.parse(start[2]);
      } else if (key && line.startsWith('"')) fields[key] += JSON.parse(line);
      else key = null;
    }
    if (fields.msgid) entries.push(fields);
  }
  return entries;
}

// A test language whose every text is marked: "⟦Delete⟧", "⟦3 clips⟧".
function markedCatalogue() {
  const messages = {};
  for (const { msgid, msgid_plural: plural } of pageMessages()) {
    messages[msgid] = plural ? [`⟦${msgid}⟧`, `⟦${plural}⟧`] : `⟦${msgid}⟧`;
  }
  return { language: 'qaa', dir: 'ltr', plural: ['one', 'other'], messages };
}

// A shipped language's page catalogue, made from po/<language>.po as the build makes it.
function shippedCatalogue(language) {
  const mo = path.join(work, `${language}.mo`);
  const json = path.join(work, `${language}.json`);
  run('msgfmt', ['--check', '-o', mo, path.join(repoRoot, 'po', `${language}.po`)]);
  run('python3', [path.join(repoRoot, 'po/catalogue_json.py'), language, mo, json]);
  return json;
}

function serve(file) {
  process.env.BRIMBLE_PAGE_CATALOGUE = file;
}

// Every piece of user content below carries "user", so that what remains of a text once the
// marked parts and the user's words are taken out must hold no letter at all.
function sample() {
  const filed = block('user-Work', { color: 'mint' });
  const items = [
    clip('user-note-one', { pinned: true }),
    clip('https://user.example/page'),
    clip('user();\nuser.code();'),
    clip('', { kind: 'image', imgURL: '/img/0B9E3C62-5A3D-4C2B-9F51-2D4E8A6B7C10.png' }),
    clip('   '),
    clip('user-filed-note', { blockId: filed.id }),
  ];
  const sessions = [session('user-Home', { id: 'S-HOME' }), session('user-Trip')];
  return { items, filed, sessions };
}

// The texts a user can meet in the document as it stands: text nodes, and the names and hints
// that assistive technology reads. Dates and times come from Intl in the user's locale, not
// from the catalogue, and the exclusion's initial is one letter of the app's name.
function documentTexts(page) {
  return page.page.evaluate(() => {
    const found = [];
    const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    for (let node = walker.nextNode(); node; node = walker.nextNode()) {
      if (node.parentElement.closest('.exclude-initial, .exclude-id')) continue;
      if (node.data.trim()) found.push(node.data.trim());
    }
    for (const element of document.body.querySelectorAll('*')) {
      if (element.classList.contains('card-time')) continue;
      for (const name of ['title', 'aria-label', 'placeholder', 'alt']) {
        const value = element.getAttribute(name);
        if (value && value.trim()) found.push(value.trim());
      }
    }
    return found;
  });
}

function escaped(texts) {
  return texts.filter((text) => /\p{L}/u.test(text.replace(/⟦[^⟧]*⟧/g, '').replace(/\S*user\S*/gi, '').replace(/\bBrimble\b/g, '')));
}

test('no text the page draws escapes the catalogue', async () => {
  const file = path.join(work, 'qaa.json');
  fs.writeFileSync(file, JSON.stringify(markedCatalogue()));
  serve(file);
  const page = await env.page();
  const { items, filed, sessions } = sample();
  const seen = [];
  const look = async (state) => {
    await page.nextFrame();
    for (const text of escaped(await documentTexts(page))) seen.push(`${state}: ${text}`);
  };

  // The board with a block, the selection bar with a picture in the selection, and the menus.
  await page.render(snapshot({ items, blocks: [filed], sessions, clipboardWatched: true }));
  await look('board');
  await page.card(items[1].id).click({ modifiers: ['Control'] });
  await page.card(items[3].id).click({ modifiers: ['Control'] });
  await look('selection');
  await page.page.click('#selMove');
  await look('move menu');
  await page.page.keyboard.press('Escape');
  await page.page.keyboard.press('Escape');
  await page.page.click('#sessionButton');
  await look('session menu');
  await page.page.keyboard.press('Escape');
  await page.block(filed.id).locator('.block-more').click();
  await look('block menu');
  await page.page.keyboard.press('Escape');
  await page.block(filed.id).locator('.block-chevron').click();
  await look('collapsed block');

  // The dialogs the page asks with, and a search that finds nothing.
  await page.page.click('#newBlockButton');
  const dialogs = await page.dialogs();
  assert.equal(dialogs.length, 1);
  seen.push(...escaped([dialogs[0].message, dialogs[0].initial]).map((text) => `prompt: ${text}`));
  await page.page.fill('#search', 'qqqqqq');
  await page.page.waitForSelector('.search-empty-title');
  await look('search without matches');

  // The empty page while paused, without the clipboard, and the settings with every note shown.
  await page.render(snapshot({
    items: [], paused: true, clipboardWatched: false, sessions,
    excluded: ['org.example.userapp.desktop', 'org.example.usergone.desktop'],
    pasteAvailable: false, frontmostKnown: false,
  }));
  await page.page.fill('#search', '');
  await look('empty and paused');
  await page.page.click('#settingsButton');
  await look('settings');

  assert.deepEqual(seen, [], 'texts drawn without the catalogue');
  assert.deepEqual(page.errors, []);
});

// The marks prove that a text went through t(); this proves the catalogue has it: a text whose
// English key is missing from the catalogue shows in English under a shipped language.
test('every text of the page is in every shipped catalogue', () => {
  const keys = pageMessages().map((entry) => entry.msgid);
  for (const language of ['de', 'fr', 'es', 'pt_BR', 'ru', 'zh_CN', 'ja', 'ar']) {
    const { messages } = JSON.parse(fs.readFileSync(shippedCatalogue(language), 'utf8'));
    assert.deepEqual(keys.filter((key) => !messages[key]), [], `missing from ${language}`);
  }
});

// Text cut off by an ellipsis or pushed out of its box: wider content than its box.
function overflowing(page) {
  return page.page.evaluate(() => {
    const selectors = [
      '.topbar button', '.toolbar .button', '.toolbar-count', '.selection-bar button', '.selection-count',
      '.block-head', '.block-count', '.empty-state *', '.settings .setting-text *', '.settings h2', '.settings h3',
      '.settings button', '.segmented button', '.menu-item', '.menu-heading', '.card-kind', '.card-time',
    ];
    const out = [];
    for (const node of document.querySelectorAll(selectors.join(', '))) {
      if (!node.checkVisibility()) continue;
      if (node.scrollWidth > node.clientWidth + 1) out.push(`${node.className || node.tagName}: ${node.textContent.trim()}`);
      const box = node.getBoundingClientRect();
      if (box.left < -1 || box.right > window.innerWidth + 1) out.push(`${node.className || node.tagName} leaves the window`);
    }
    return out;
  });
}

// German has the longest texts; Japanese draws in another script, with the fonts the tests install.
for (const { language, clips, selected } of [
  { language: 'de', clips: 'Einträge', selected: '2 ausgewählt' },
  { language: 'ja', clips: '項目', selected: '2 項目を選択中' },
]) {
  test(`${language}: the page fits the default window in every main state`, async (t) => {
    serve(shippedCatalogue(language));
    const page = await env.page();
    const { items, filed, sessions } = sample();
    assert.equal(await page.page.evaluate(() => document.documentElement.lang), language);
    const problems = [];
    const check = async (state) => {
      await page.nextFrame();
      await page.settle();
      problems.push(...(await overflowing(page)).map((text) => `${state}: ${text}`));
      await page.page.screenshot({ path: path.join(shots, `${language}-${state}.png`) });
    };
    await page.render(snapshot({ items, blocks: [filed], sessions }));
    assert.equal(await page.page.locator('.open-title').textContent(), clips);
    await check('board');
    await page.card(items[0].id).click({ modifiers: ['Control'] });
    await page.card(items[3].id).click({ modifiers: ['Control'] });
    assert.equal(await page.page.locator('#selectionCount').textContent(), selected);
    await check('selection');
    await page.page.click('#selMove');
    await check('move-menu');
    await page.page.keyboard.press('Escape');
    await page.page.keyboard.press('Escape');
    await page.render(snapshot({ items: [], paused: true, sessions }));
    await check('empty');
    await page.page.click('#settingsButton');
    await check('settings');
    t.diagnostic(`screenshots in ${shots}`);
    assert.deepEqual(problems, []);
  });
}

test('Arabic mirrors the page and keeps each card in its own direction', async () => {
  serve(shippedCatalogue('ar'));
  const page = await env.page();
  const arabic = clip('نص عربي للتجربة');
  const { items, filed, sessions } = sample();
  await page.render(snapshot({ items: [arabic, ...items], blocks: [filed], sessions }));
  await page.page.screenshot({ path: path.join(shots, 'ar-board.png') });
  const layout = await page.page.evaluate(() => {
    const box = (selector) => document.querySelector(selector).getBoundingClientRect();
    return {
      dir: document.documentElement.dir,
      searchIcon: box('.search .icon-slot').left,
      searchField: box('#search').left,
      brand: box('.brand').left,
      settingsButton: box('#settingsButton').left,
      placeholder: document.getElementById('search').placeholder,
    };
  });
  assert.equal(layout.dir, 'rtl');
  assert.equal(layout.placeholder, 'البحث في العناصر');
  // The search field's magnifier stands at its right, where the line starts.
  assert.ok(layout.searchIcon > layout.searchField, 'the search icon is on the right');
  assert.ok(layout.brand > layout.settingsButton, 'the name is on the right, the settings on the left');
  const directions = await page.page.evaluate((ids) => ids.map((id) => getComputedStyle(document.querySelector(`.card[data-id="${id}"] .card-text`)).direction), [arabic.id, items[0].id]);
  assert.deepEqual(directions, ['rtl', 'ltr']);
  // The sessions menu hangs from its button's right edge, where the line starts.
  await page.page.click('#sessionButton');
  await page.settle();
  const edges = await page.page.evaluate(() => [
    document.querySelector('.menu').getBoundingClientRect().right, document.getElementById('sessionButton').getBoundingClientRect().right,
  ].map(Math.round));
  assert.equal(edges[0], edges[1]);
  await page.page.keyboard.press('Escape');
  // A collapsed block's chevron points along the line, to the left.
  await page.block(filed.id).locator('.block-chevron').click();
  await page.settle();
  const chevron = await page.page.evaluate(() => getComputedStyle(document.querySelector('.block.collapsed .block-chevron .icon')).transform);
  assert.match(chevron, /^matrix\(-1, /);
  // The settings sheet comes in from the left.
  await page.page.click('#settingsButton');
  await page.settle();
  assert.equal(Math.round(await page.page.evaluate(() => document.getElementById('settings').getBoundingClientRect().left)), 0);
  await page.page.screenshot({ path: path.join(shots, 'ar-settings.png') });
  assert.deepEqual(page.errors, []);
});
