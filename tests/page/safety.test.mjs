// Whatever people copy is shown as text and never runs.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { setup, snapshot, clip, block, session } from './harness.mjs';

const env = setup();
before(() => env.start());
after(() => env.stop());

const hostile = [
  '<img src=x onerror=alert(1)>',
  '</script><script>window.pwned=1</script>',
  'javascript:alert(document.domain)',
  '<a href="javascript:window.pwned=2">click me</a>',
  '<svg onload="window.pwned=3"></svg>',
  '<style>body{display:none}</style><iframe src="javascript:window.parent.pwned=4"></iframe>',
  '"><script>window.pwned=5</script>',
  '{{constructor.constructor("window.pwned=6")()}}',
];

async function nothingRan(page) {
  await page.page.waitForTimeout(150);
  const state = await page.page.evaluate(() => ({
    pwned: window.pwned,
    dialogs: window.__dialogs.filter((d) => d.type === 'alert'),
    scripts: document.scripts.length,
    images: [...document.images].map((i) => i.getAttribute('src')),
    frames: document.querySelectorAll('iframe, object, embed, style').length,
    svgHandlers: [...document.querySelectorAll('svg [onload], svg[onload]')].length,
  }));
  assert.equal(state.pwned, undefined);
  assert.deepEqual(state.dialogs, []);
  assert.equal(state.scripts, 1, 'only the page’s own module');
  assert.deepEqual(state.images, []);
  assert.equal(state.frames, 0);
  assert.equal(state.svgHandlers, 0);
  assert.deepEqual(page.errors, []);
}

test('hostile clip texts are drawn literally and nothing runs', async () => {
  const page = await env.page();
  const items = hostile.map((text) => clip(text));
  await page.render(snapshot({ items }));
  for (const item of items) {
    assert.equal(await page.card(item.id).locator('.card-text').textContent(), item.text);
  }
  // Copying, searching and opening menus on them must not run them either.
  await page.card(items[0].id).click();
  await page.page.fill('#search', 'script');
  await page.page.fill('#search', '');
  await nothingRan(page);
});

test('a javascript: link gets no Open button and the page never navigates', async () => {
  const page = await env.page();
  const link = clip('javascript:window.pwned=7');
  await page.render(snapshot({ items: [link] }));
  assert.equal(await page.card(link.id).locator('[data-action="open"]').count(), 0);
  await page.card(link.id).click();
  await page.card(link.id).dblclick();
  assert.equal(page.page.url(), `${env.origin}/index.html`);
  await nothingRan(page);
});

test('block, session and excluded-app names are text too', async () => {
  const page = await env.page();
  const evil = '<img src=x onerror=alert(2)>';
  const sessions = [session(evil), session('</script><script>window.pwned=8</script>')];
  const blocks = [block(evil, { color: '"><img src=x onerror=alert(3)>' })];
  const filed = clip('x', { blockId: blocks[0].id });
  await page.render(snapshot({ sessions, blocks, excluded: [evil], items: [filed] }));
  assert.equal(await page.page.locator('#sessionName').textContent(), evil);
  assert.equal(await page.block(blocks[0].id).locator('.block-name').textContent(), evil);
  await page.page.click('#sessionButton');
  assert.equal(await page.page.locator('.menu-label').first().textContent(), evil);
  await page.page.keyboard.press('Escape');
  await page.page.click('#settingsButton');
  assert.equal(await page.page.locator('.exclude-id').textContent(), evil);
  await page.page.keyboard.press('Escape');
  await page.card(filed.id).click({ modifiers: ['Control'] });
  await page.page.click('#selMove');
  assert.equal(await page.page.locator('.menu-label').first().textContent(), evil);
  await nothingRan(page);
});

test('picture addresses from elsewhere are not loaded', async () => {
  // Only the program's own scheme and the page's origin may supply pictures.
  const page = await env.page();
  const requests = [];
  page.page.on('request', (request) => requests.push(request.url()));
  const items = [
    clip('', { kind: 'image', imgURL: 'javascript:window.pwned=9' }),
    clip('', { kind: 'image', imgURL: 'https://tracker.example/pixel.png' }),
    clip('', { kind: 'image', imgURL: 'data:image/svg+xml,<svg onload="window.pwned=10"/>' }),
  ];
  await page.render(snapshot({ items }));
  assert.equal(await page.page.locator('img').count(), 0);
  assert.deepEqual(requests.filter((url) => !url.startsWith(env.origin)), []);
  await nothingRan(page);
});

test('the content-security policy blocks inline script even if markup slipped in', async () => {
  // A second line of defence: the policy itself must refuse inline code.
  const page = await env.page();
  const violations = [];
  page.page.on('console', (message) => violations.push(message.text()));
  await page.page.evaluate(() => {
    const holder = document.createElement('div');
    holder.setAttribute('onclick', 'window.pwned = 11');
    document.body.append(holder);
    holder.click();
    const script = document.createElement('script');
    script.textContent = 'window.pwned = 12';
    document.body.append(script);
  });
  assert.equal(await page.page.evaluate(() => window.pwned), undefined);
  assert.ok(violations.some((text) => /Content Security Policy/.test(text)));
});
