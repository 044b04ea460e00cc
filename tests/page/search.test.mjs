// The forgiving search: accents and case ignored, close matches after the
// entries that hold the query, and matches marked in the previews as text.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { setup, snapshot, clip, block } from './harness.mjs';

const env = setup();
before(() => env.start());
after(() => env.stop());

async function shown(page) {
  return page.page.evaluate(() => [...document.querySelectorAll('.card')].filter((c) => c.offsetParent !== null).map((c) => c.dataset.id));
}

// The marked parts of a card's preview, however the engine draws them.
async function marks(page, id) {
  return page.page.evaluate(async (cardId) => {
    // The marks follow the results once the typing pauses.
    await (await import('/js/board.js')).marksDrawn();
    const { markedParts } = await import('/js/highlight.js');
    return markedParts(document.querySelector(`.card[data-id="${cardId}"] .card-text`));
  }, id);
}

// match.js runs in the page, as in the program.
const matchModule = '/js/match.js';

test('folding ignores accents, letter case and the forms of the same letter', async () => {
  const page = await env.page();
  const rows = [
    ['Café', 'cafe'],
    ['Straße', 'strasse'],
    ['STRASSE', 'strasse'],
    ['ẞ', 'ss'],
    ['naïve Ångström', 'naive angstrom'],
    // A decomposed accent (e + U+0301) folds like the precomposed one.
    ['Cafe\u0301', 'cafe'],
    ['ﬁle', 'file'],
    // Lower-casing a whole word gives a final sigma; both forms must compare equal.
    ['ΟΔΟΣ', 'οδοσ'],
    ['οδος', 'οδοσ'],
    ['İstanbul', 'istanbul'],
    ['plain ascii 123', 'plain ascii 123'],
  ];
  const folded = await page.page.evaluate(async ([path, list]) => {
    const match = await import(path);
    return list.map(([text]) => match.fold(text));
  }, [matchModule, rows]);
  assert.deepEqual(folded, rows.map(([, expected]) => expected));
});

test('close matches need the letters in order and close together', async () => {
  const page = await env.page();
  const rows = [
    ['clipboard', 'clpbrd', true],
    ['clipboard', 'cbd', false], // l, i, p, o, a, r skipped: too far apart
    ['clipboard', 'drc', false], // out of order
    ['brimble', 'bimbl', true],
    ['xxab_xaxbxc', 'abc', true], // only the second "a" reaches "c": every placement is tried
    ['abxxxxxc', 'abc', false],
    // The search starts from the rarest letter ("q") and must try every place
    // on both sides of it, not only the nearest.
    ['axxbbq', 'abq', true],
    ['qbbxxa', 'qba', true],
    ['axxxbq', 'abq', false],
    ['entry 412', 'entry42', true],
    ['ab', 'abc', false],
    ['anything at all', 'an', false], // too short to look for close matches
  ];
  const results = await page.page.evaluate(async ([path, list]) => {
    const match = await import(path);
    return list.map(([text, letters]) => match.isCloseMatch(text, letters));
  }, [matchModule, rows]);
  assert.deepEqual(results, rows.map(([, , expected]) => expected));
});

test('marked ranges point into the original text, accents and all', async () => {
  const page = await env.page();
  const rows = [
    ['Grüße aus Köln', 'GRUSSE', [[0, 5]]],
    ['a café', 'cafe', [[2, 6]]],
    // The decomposed accent is marked with its letter.
    ['a Cafe\u0301 here', 'cafe', [[2, 7]]],
    // Only the first place is marked: each mark is an element to lay out.
    ['cafe and CAFE', 'cafe', [[0, 4]]],
    ['clipboard', 'clpbrd', [[0, 2], [3, 5], [7, 9]]],
    ['nothing here', 'zzz', []],
    ['😀 smile', 'smile', [[3, 8]]],
  ];
  const results = await page.page.evaluate(async ([path, list]) => {
    const match = await import(path);
    return list.map(([text, query]) => match.matchRanges(text, query));
  }, [matchModule, rows]);
  assert.deepEqual(results, rows.map(([, , expected]) => expected));
});

test('accent- and case-insensitive queries find and mark the entries', async () => {
  const page = await env.page();
  const items = [clip('Meet at the Café Müller'), clip('STRASSE 12'), clip('plain note'), clip('Straße 7')];
  await page.render(snapshot({ items }));
  await page.page.fill('#search', 'cafe muller');
  assert.deepEqual(await shown(page), [items[0].id]);
  assert.deepEqual(await marks(page, items[0].id), ['Café Müller']);
  await page.page.fill('#search', 'strasse');
  assert.deepEqual(await shown(page), [items[1].id, items[3].id]);
  assert.deepEqual(await marks(page, items[3].id), ['Straße']);
  await page.page.fill('#search', 'STRAẞE');
  assert.deepEqual(await shown(page), [items[1].id, items[3].id]);
});

test('close matches come after every entry holding the query, in each container', async () => {
  const page = await env.page();
  const work = block('Work', { pinned: true });
  const items = [
    clip('the clip board meeting'), // close: c-l-i-p-b-o-a-r-d across a space
    clip('clipboard manager'),
    clip('unrelated'),
    clip('a clipboard in a block', { blockId: work.id }),
    clip('clip-board in a block', { blockId: work.id }),
  ];
  await page.render(snapshot({ items, blocks: [work] }));
  await page.page.fill('#search', 'clipboard');
  assert.deepEqual(await shown(page), [items[3].id, items[4].id, items[1].id, items[0].id]);
  assert.equal(await page.page.locator('#countLabel').textContent(), '4 of 5');
  // The keyboard walks them in the same order.
  await page.page.press('#search', 'ArrowDown');
  assert.equal(await page.page.evaluate(() => document.activeElement.dataset.id), items[3].id);
  assert.deepEqual(await marks(page, items[0].id), ['clip', 'board']);
});

test('close matches are found while narrowing from a short query', async () => {
  // Guards the narrowing shortcut: "cp" is too short for close matches and
  // finds nothing, so "cpb" must search everything again, not what "cp" found.
  const page = await env.page();
  const items = [clip('clipboard'), clip('cl only')];
  await page.render(snapshot({ items }));
  for (const [query, expected] of [['c', [0, 1]], ['cp', []], ['cpb', [0]], ['cpbo', [0]], ['cpbox', []], ['cp', []]]) {
    await page.page.fill('#search', query);
    assert.deepEqual(await shown(page), expected.map((i) => items[i].id), query);
  }
});

test('marks are text: hostile entries stay characters and nothing runs', async () => {
  const page = await env.page();
  const hostile = [
    '<img src=x onerror="window.pwned=1"> find me',
    '<script>window.pwned=2</script> find me',
    'find me <b>bold</b> &amp; <mark>fake</mark>',
  ];
  const items = hostile.map((text) => clip(text));
  await page.render(snapshot({ items }));
  // Close-match marks split the markup into many pieces: the hardest case.
  for (const query of ['find', 'fndme', 'img', '<b>', 'mark', '<mark>']) {
    await page.page.fill('#search', query);
    await page.nextFrame();
    const state = await page.page.evaluate(() => ({
      pwned: window.pwned,
      extra: document.querySelectorAll('.card-text *:not(mark.hit), .card-text mark:not(.hit)').length,
      texts: [...document.querySelectorAll('.card-text')].map((node) => node.textContent),
    }));
    assert.equal(state.pwned, undefined, query);
    assert.equal(state.extra, 0, query);
    for (const text of state.texts) assert.ok(hostile.includes(text), `${query}: ${text}`);
  }
  assert.deepEqual(await marks(page, items[2].id), ['<mark>']);
  assert.deepEqual(page.errors, []);
});

test('marks stay on cards that move while the search is on', async () => {
  // Guards the marks' bookkeeping: a card already marked for the query must
  // keep its marks when a snapshot moves it.
  const page = await env.page();
  const items = [clip('apple pie'), clip('banana'), clip('apple tart')];
  await page.render(snapshot({ items }));
  await page.page.fill('#search', 'apple');
  await page.render(snapshot({ items: [items[2], items[1], items[0]] }));
  assert.deepEqual(await shown(page), [items[2].id, items[0].id]);
  assert.deepEqual(await marks(page, items[0].id), ['apple']);
  assert.deepEqual(await marks(page, items[2].id), ['apple']);
});

test('marks follow the results and leave at once with the search', async () => {
  // Guards the deferred marks: a query typed before they are painted must not
  // leave the previous query's marks, and clearing must not leave any.
  const page = await env.page();
  const items = [clip('alpha beta'), clip('beta alpha')];
  await page.render(snapshot({ items }));
  await page.page.evaluate(() => {
    const field = document.getElementById('search');
    for (const value of ['alpha', 'beta']) {
      field.value = value;
      field.dispatchEvent(new Event('input'));
    }
  });
  assert.deepEqual(await marks(page, items[0].id), ['beta']);
  assert.deepEqual(await marks(page, items[1].id), ['beta']);
  await page.page.evaluate(() => {
    const field = document.getElementById('search');
    field.value = '';
    field.dispatchEvent(new Event('input'));
  });
  assert.equal(await page.page.locator('.card-text mark').count(), 0);
});

test('while letters keep coming, marks wait for the pause and show only the last query', async () => {
  // Guards a word typed straight after the window opened: each letter's marks
  // took a frame of layout in every preview, and the next letter waited for it.
  // The page's clock is held still while the letters come, so a slow machine
  // cannot make a pause of its own.
  const page = await env.page();
  const items = [clip('alpha beta'), clip('beta alpha')];
  await page.render(snapshot({ items }));
  const marked = await page.page.evaluate(async () => {
    const frame = () => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));
    const added = [];
    const watch = new MutationObserver((records) => {
      for (const record of records) for (const node of record.addedNodes) if (node.nodeName === 'MARK') added.push(node.textContent);
    });
    watch.observe(document.getElementById('board'), { childList: true, subtree: true });
    let now = performance.now();
    performance.now = () => now;
    const field = document.getElementById('search');
    try {
      for (const value of ['a', 'al', 'alp', 'alph', 'alpha']) {
        field.value = value;
        field.dispatchEvent(new Event('input'));
        await frame();
        await frame();
      }
      const whileTyping = added.length;
      now += 1000;
      await (await import('/js/board.js')).marksDrawn();
      return { whileTyping, after: added };
    } finally {
      delete performance.now;
      watch.disconnect();
    }
  });
  assert.equal(marked.whileTyping, 0);
  assert.deepEqual(marked.after, ['alpha', 'alpha']);
});
