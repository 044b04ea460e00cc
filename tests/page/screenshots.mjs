// Takes the screenshots of the page's main states, light and dark, into
// docs/screenshots. Run with: node tests/page/screenshots.mjs
import path from 'node:path';
import fs from 'node:fs/promises';
import { setup, snapshot, clip, block, session, now, repoRoot } from './harness.mjs';

const out = path.join(repoRoot, 'docs/screenshots');
const minutes = (n) => now() - n * 60;

function sample(origin) {
  const aurora = block('Project Aurora', { color: 'lavender', order: 0, pinned: true });
  const recipes = block('Recipes', { color: 'peach', order: 1 });
  const snippets = block('Snippets', { color: 'mint', order: 2 });
  const sessions = [session('Default', { id: 'S-DEFAULT' }), session('Thesis'), session('Trip to Lisbon')];
  const items = [
    clip('Launch checklist\n• Freeze the release branch\n• Update the changelog\n• Tag v2.4 and push', { ts: minutes(42), pinned: true, blockId: aurora.id }),
    clip('https://aurora.example.com/roadmap#q3', { ts: minutes(80), blockId: aurora.id }),
    clip('', { kind: 'image', imgURL: `${origin}/img/7C1D2E3F-4A5B-4C6D-8E9F-0A1B2C3D4E5F.jpg`, ts: minutes(95), blockId: aurora.id }),
    clip('Thanks for the quick turnaround! Could we move Thursday’s review to 3 pm?', { ts: minutes(1), pinned: true }),
    clip('ssh deploy@10.0.4.17 -p 2222', { ts: minutes(0.2) }),
    clip('#7C5CFF', { ts: minutes(3) }),
    clip('', { kind: 'image', imgURL: `${origin}/img/0B9E3C62-5A3D-4C2B-9F51-2D4E8A6B7C10.png`, ts: minutes(7) }),
    clip('The quick brown fox jumps over the lazy dog. Sphinx of black quartz, judge my vow. Pack my box with five dozen liquor jugs.', { ts: minutes(18) }),
    clip('const total = items\n  .filter((item) => item.active)\n  .reduce((sum, item) => sum + item.price, 0);', { ts: minutes(26) }),
    clip('mailto:hello@brimble.app', { ts: minutes(64) }),
    clip('Order #48213 — 2 × Ceramic pour-over, 1 × Paper filters (100)', { ts: minutes(60 * 5) }),
    clip('Shakshuka: 6 eggs, 2 cans tomatoes, 1 onion, 3 garlic cloves, cumin, paprika, feta', { ts: minutes(60 * 30), blockId: recipes.id }),
    clip('Miso soup: dashi, white miso, tofu, wakame, spring onion', { ts: minutes(60 * 50), blockId: recipes.id }),
    clip('git rebase -i --autosquash origin/main', { ts: minutes(60 * 26), blockId: snippets.id }),
    clip('docker compose up -d --build', { ts: minutes(60 * 80), blockId: snippets.id }),
  ];
  return { items, blocks: [aurora, recipes, snippets], sessions, recipes };
}

async function shoot(page, name) {
  await page.page.waitForTimeout(350);
  await page.page.screenshot({ path: path.join(out, `page-${name}.png`) });
  console.log(`docs/screenshots/page-${name}.png`);
}

const env = setup();
await fs.mkdir(out, { recursive: true });
await env.start();
try {
  for (const mode of ['light', 'dark']) {
    const data = sample(env.origin);
    const snap = snapshot({ ...data, appearanceMode: mode, excluded: ['org.keepassxc.KeePassXC.desktop', 'com.bitwarden.desktop'] });

    let page = await env.page({ width: 1040, height: 720 });
    await page.render(snap);
    await page.page.mouse.move(1, 1);
    await shoot(page, `main-${mode}`);

    await page.card(data.items[4].id).click({ modifiers: ['Control'] });
    await page.card(data.items[7].id).click({ modifiers: ['Shift'] });
    await page.page.click('#selMove');
    await shoot(page, `selection-${mode}`);
    await page.page.keyboard.press('Escape');
    await page.page.keyboard.press('Escape');

    await page.page.click('#settingsButton');
    await shoot(page, `settings-${mode}`);
    await page.page.keyboard.press('Escape');

    await page.page.click('#sessionButton');
    await shoot(page, `sessions-${mode}`);
    await page.page.keyboard.press('Escape');

    await page.block(data.recipes.id).locator('.block-chevron').click();
    await page.page.fill('#search', 'git');
    await page.page.fill('#search', 'o');
    await shoot(page, `search-${mode}`);

    // Two texts and a picture chosen: the bar says the picture is left out.
    await page.page.fill('#search', '');
    await page.card(data.items[4].id).click({ modifiers: ['Control'] });
    await page.card(data.items[6].id).click({ modifiers: ['Control'] });
    await page.card(data.items[10].id).click({ modifiers: ['Control'] });
    await page.page.keyboard.up('Control');
    await page.page.mouse.move(1, 1);
    await shoot(page, `copy-together-${mode}`);
    await page.page.keyboard.press('Escape');

    // Control held: the quick picks' digits.
    await page.page.locator('#board').focus();
    await page.page.keyboard.down('Control');
    await shoot(page, `picks-${mode}`);
    await page.page.keyboard.up('Control');

    // Accents and case ignored, and a close match after the entries holding the query.
    page = await env.page({ width: 1040, height: 420 });
    await page.render(snapshot({
      appearanceMode: mode,
      items: [
        clip('Cat face emoji list for the chat', { ts: minutes(2) }),
        clip('Lunch at Café Müller, Hauptstraße 12 — table for four at 12:30', { ts: minutes(9) }),
        clip('Crème brûlée, two spoons', { ts: minutes(30) }),
        clip('CAFE opening hours: 8–18', { ts: minutes(75) }),
      ],
    }));
    await page.page.fill('#search', 'cafe');
    await page.page.mouse.move(1, 1);
    await shoot(page, `search-forgiving-${mode}`);

    page = await env.page({ width: 1040, height: 720 });
    await page.render(snapshot({ appearanceMode: mode }));
    await shoot(page, `empty-${mode}`);

    page = await env.page({ width: 520, height: 380 });
    await page.render(snap);
    await page.page.mouse.move(1, 1);
    await shoot(page, `narrow-${mode}`);
  }
} finally {
  await env.stop();
}
