import { matchRanges } from './match.js';

// Marks the parts of a card's preview that match the search. Where the engine
// has CSS highlights, the marks are static ranges over the preview's one text
// node: nothing is added to the document, so a keystroke costs no layout, and
// unlike live ranges they survive the card being moved in the board. Otherwise
// the text is split into text nodes and <mark> elements. Either way the
// entry's text only ever goes in as text, so markup or scripts in an entry
// stay visible characters.

const highlights = typeof CSS !== 'undefined' && CSS.highlights && typeof Highlight === 'function'
  && typeof StaticRange === 'function'
  ? new Highlight()
  : null;
if (highlights) CSS.highlights.set('hit', highlights);

// The ranges marked in each preview node. Nodes of cards that left the
// document are swept out now and then.
const marked = new Map();
const sweepAbove = 256;

function unmark(node) {
  for (const range of marked.get(node) ?? []) highlights.delete(range);
  marked.delete(node);
}

function sweep() {
  for (const node of marked.keys()) if (!node.isConnected) unmark(node);
}

function highlightText(node, text, ranges) {
  unmark(node);
  const only = node.firstChild;
  if (only === null || only !== node.lastChild || only.nodeType !== Node.TEXT_NODE || only.data !== text) node.textContent = text;
  if (ranges.length === 0) return;
  const textNode = node.firstChild;
  const made = ranges.map(([start, end]) => {
    const range = new StaticRange({ startContainer: textNode, startOffset: start, endContainer: textNode, endOffset: end });
    highlights.add(range);
    return range;
  });
  marked.set(node, made);
  if (marked.size > sweepAbove) sweep();
}

function markElements(node, text, ranges) {
  if (ranges.length === 0) {
    if (node.firstElementChild !== null || node.textContent !== text) node.textContent = text;
    return;
  }
  const parts = [];
  let at = 0;
  for (const [start, end] of ranges) {
    if (start > at) parts.push(document.createTextNode(text.slice(at, start)));
    const mark = document.createElement('mark');
    mark.className = 'hit';
    mark.textContent = text.slice(start, end);
    parts.push(mark);
    at = end;
  }
  if (at < text.length) parts.push(document.createTextNode(text.slice(at)));
  node.replaceChildren(...parts);
}

// Shows `text` in `node` with the parts matching `query` marked.
export function markText(node, text, query) {
  const ranges = query === '' ? [] : matchRanges(text, query);
  if (highlights) highlightText(node, text, ranges);
  else markElements(node, text, ranges);
}

// The marked parts of a node's text, in order (for tests and the inspector).
export function markedParts(node) {
  if (!highlights) return [...node.querySelectorAll('mark.hit')].map((mark) => mark.textContent);
  return (marked.get(node) ?? [])
    .filter((range) => range.startContainer === node.firstChild)
    .map((range) => range.startContainer.data.slice(range.startOffset, range.endOffset));
}
