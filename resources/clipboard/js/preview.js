// Card previews: only the first lines of an entry ever reach the document, so
// a 50,000-character clip costs the same to draw as a short one.
import { t, nt, formatLocale } from './i18n.js';

const scanLimit = 1200;
const maxLines = 6;
const maxLineLength = 160;
const maxTotal = 240;

// Cuts a string without splitting a surrogate pair.
function cut(text, length) {
  if (text.length <= length) return text;
  const code = text.charCodeAt(length - 1);
  return text.slice(0, code >= 0xd800 && code <= 0xdbff ? length - 1 : length);
}

export function makePreview(text) {
  const head = cut(text, scanLimit);
  const lines = head.split(/\r\n|\r|\n/);
  let start = 0;
  while (start < lines.length && lines[start].trim() === '') start++;
  const out = [];
  let total = 0;
  for (let i = start; i < lines.length && out.length < maxLines && total < maxTotal; i++) {
    let line = lines[i].trimEnd();
    if (line.length > maxLineLength) line = cut(line, maxLineLength) + '…';
    if (total + line.length > maxTotal) line = cut(line, maxTotal - total) + '…';
    out.push(line);
    total += line.length + 1;
  }
  return out.join('\n');
}

const linkPattern = /^(https?:\/\/|mailto:)[^\s<>"]+$/i;
const colorPattern = /^#(?:[0-9a-f]{3}|[0-9a-f]{4}|[0-9a-f]{6}|[0-9a-f]{8})$/i;

const codeLine = /^(?:\t| {2,})\S|[;{}]\s*$|=>|^\s*(?:import|export|def|fn|func|class|return|#include)\b/;

// Source code reads better in a fixed-width font: several of the first lines
// are indented or end like statements.
function looksLikeCode(text) {
  const lines = text.slice(0, scanLimit).split('\n', maxLines);
  if (lines.length < 2) return false;
  return lines.filter((line) => codeLine.test(line)).length >= 2;
}

// What a text entry looks like, for its label and its extras: a web or mail
// link gets an Open button, a colour code a swatch, code a fixed-width font.
export function classify(text) {
  const trimmed = text.length > 2048 ? '' : text.trim();
  if (linkPattern.test(trimmed)) return 'link';
  if (colorPattern.test(trimmed)) return 'color';
  if (looksLikeCode(text)) return 'code';
  return 'text';
}

// User-perceived characters (grapheme clusters), as the program's capture limit counts them:
// an emoji, a flag or a family of emoji is one, as is a letter with its accents. An engine
// without Intl.Segmenter counts code points, which is still right for most text.
const graphemes = typeof Intl === 'object' && Intl.Segmenter ? new Intl.Segmenter(undefined, { granularity: 'grapheme' }) : null;

// Printable ASCII, tabs and line feeds: every one of them is a cluster of its own.
const plainAscii = /^[\t\n\x20-\x7e]*$/;

export function charCount(text) {
  // Segmenting is slow in a new page's cold engine (about 10 ms for 50,000 characters), and most
  // long texts are plain ASCII, which needs none.
  if (plainAscii.test(text)) return text.length;
  if (!graphemes) return [...text].length;
  let count = 0;
  for (const _ of graphemes.segment(text)) count += 1; // eslint-disable-line no-unused-vars
  return count;
}

const thousands = new Intl.NumberFormat(formatLocale, { maximumFractionDigits: 1, useGrouping: false });

export function sizeLabel(length) {
  if (length < 1000) return nt('{n} char', '{n} chars', length);
  // TRANSLATORS: a length in thousands of characters: "1.5k chars".
  if (length < 100000) return t('{n}k chars', { n: thousands.format(Math.round(length / 100) / 10) });
  return t('{n}k chars', { n: thousands.format(Math.round(length / 1000)) });
}
