// The page's texts in the user's language. The program chooses the catalogue from the desktop's
// language at start and serves it at i18n/catalogue.json (made at build time from the same .po
// files as the program's menus); without one, the page speaks English, its source language.
//
// Texts are marked where they are written, so that xgettext finds them:
//   t('Delete')                                  a plain text
//   t('Move to {name}', { name: block.name })    with named values
//   nt('{n} entry', '{n} entries', count)        with a count; {n} is the count, formatted
// The English text is the key: change it and every catalogue needs the new text.

const CATALOGUE_URL = new URL('../i18n/catalogue.json', import.meta.url);
const RIGHT_TO_LEFT = new Set(['ar', 'fa', 'he', 'ur']);
const ENGLISH = { language: 'en', dir: 'ltr', plural: ['one', 'other'], messages: {} };

async function loadCatalogue() {
  try {
    const response = await fetch(CATALOGUE_URL);
    if (!response.ok) return ENGLISH;
    const catalogue = await response.json();
    if (!catalogue || typeof catalogue.messages !== 'object' || !Array.isArray(catalogue.plural)) return ENGLISH;
    return catalogue;
  } catch {
    // Served from elsewhere (a test's server, a file) there is no catalogue: English.
    return ENGLISH;
  }
}

const catalogue = await loadCatalogue();

// The catalogue's language as a BCP 47 tag ("pt-BR"), and the direction its script is written in.
export const language = String(catalogue.language || 'en');
export const direction = catalogue.dir === 'rtl' || RIGHT_TO_LEFT.has(language.split('-')[0]) ? 'rtl' : 'ltr';
export const isSourceLanguage = language === 'en' || language.startsWith('en-');

// Numbers and dates follow the desktop's region where it speaks the catalogue's language (de-AT
// writes dates as Austria does), and the catalogue's language otherwise.
const browserLocale = typeof navigator !== 'undefined' ? navigator.language : '';
export const formatLocale =
  browserLocale && browserLocale.split('-')[0] === language.split('-')[0] ? browserLocale : language;

const pluralRules = new Intl.PluralRules(language);
const numbers = new Intl.NumberFormat(formatLocale);

function fill(text, values) {
  if (!values) return text;
  return text.replace(/\{(\w+)\}/g, (whole, name) => (name in values ? String(values[name]) : whole));
}

// The text in the user's language, with `{name}` replaced by `values.name`.
export function t(message, values) {
  const found = catalogue.messages[message];
  return fill(typeof found === 'string' && found ? found : message, values);
}

// The form of the text that fits `count`; `{n}` is the count in the user's digits and grouping.
export function nt(singular, plural, count, values) {
  const forms = catalogue.messages[singular];
  let text;
  if (Array.isArray(forms) && forms.length === catalogue.plural.length) {
    const category = pluralRules.select(count);
    let index = catalogue.plural.indexOf(category);
    if (index < 0) index = catalogue.plural.indexOf('other');
    if (index < 0) index = forms.length - 1;
    text = forms[index];
  } else {
    text = count === 1 ? singular : plural;
  }
  return fill(text, { n: numbers.format(count), ...values });
}

// A count in the user's digits and grouping ("1.234" in German).
export function formatCount(count) {
  return numbers.format(count);
}

const sizeUnits = ['byte', 'kilobyte', 'megabyte', 'gigabyte'];
const sizeFormats = new Map();

// A size in bytes, in the largest unit under 1000 of it, as the user's language writes it ("1,5 MB").
export function formatSize(bytes) {
  let value = Math.max(0, Number(bytes) || 0);
  let unit = 0;
  while (value >= 1000 && unit < sizeUnits.length - 1) {
    value /= 1000;
    unit += 1;
  }
  if (!sizeFormats.has(unit)) {
    sizeFormats.set(unit, new Intl.NumberFormat(formatLocale, {
      style: 'unit', unit: sizeUnits[unit], unitDisplay: 'short', maximumFractionDigits: unit === 0 ? 0 : 1,
    }));
  }
  return sizeFormats.get(unit).format(value);
}

// Sets the document's language and direction, so that the page mirrors under Arabic or Hebrew
// and the browser picks fonts, hyphenation and quotes for the language.
export function applyLanguage(root = typeof document !== 'undefined' ? document.documentElement : null) {
  if (!root) return;
  root.lang = language;
  root.dir = direction;
}

applyLanguage();

// The texts written in index.html: an element with `data-i18n` has its text looked up, and
// `data-i18n-attrs="title aria-label"` names the attributes to look up. The English stays in the
// markup, where po/markup_texts.py finds it for the catalogue. Run once, before the first draw.
export function translateMarkup(root = document) {
  for (const node of root.querySelectorAll('[data-i18n]')) node.textContent = t(node.textContent);
  for (const node of root.querySelectorAll('[data-i18n-attrs]')) {
    for (const name of node.dataset.i18nAttrs.split(/\s+/)) {
      const value = node.getAttribute(name);
      if (value) node.setAttribute(name, t(value));
    }
  }
}
