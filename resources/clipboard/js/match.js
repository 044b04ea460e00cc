// Forgiving text matching: accents and letter case do not count ("cafe"
// finds "Café", "strasse" finds "Straße"), and a query whose text is not in an
// entry may still find it by its letters in order, close together ("clpbrd"
// finds "clipboard").

const asciiOnly = /^[\x00-\x7f]*$/;
const marks = /\p{M}+/gu;
const whitespace = /\s+/gu;

// Letters of a close match may skip at most two characters between them;
// further apart, in a long entry almost any letters would be found.
export const maxGap = 3;
// One or two letters in order are found everywhere; close matches start at three.
export const minCloseLetters = 3;
// The first place holding the query is marked: every mark is an element, and
// elements in every preview cost layout on each keystroke.
const maxMarks = 1;

// The text compared: decomposed (NFD), without combining marks, case-folded.
// Lower, upper, then lower case again folds "ß" and "ẞ" to "ss" and "ﬁ" to
// "fi" as full case folding does; the final sigma becomes the ordinary one,
// which lower-casing a whole word would otherwise bring back.
function foldRunSlowly(run) {
  const bare = run.normalize('NFD').replace(marks, '');
  return bare.toLowerCase().toUpperCase().toLowerCase().replaceAll('ς', 'σ');
}

// Most text is ASCII with a few other characters between: only the runs of
// those take the slow path, and the few distinct runs are remembered. Folding
// 500 entries of 50,000 characters with an accent in every tenth character
// takes a third of the time of folding them whole, with one in a hundred a
// twentieth.
const nonAsciiRun = /[^\x00-\x7f]+/g;
const knownRuns = new Map();
const maxKnownRuns = 4096;

function foldRun(run) {
  let folded = knownRuns.get(run);
  if (folded === undefined) {
    folded = foldRunSlowly(run);
    if (knownRuns.size < maxKnownRuns) knownRuns.set(run, folded);
  }
  return folded;
}

export function fold(text) {
  if (asciiOnly.test(text)) return text.toLowerCase();
  return text.replace(nonAsciiRun, foldRun).toLowerCase();
}

// The folded query without its spaces: what a close match looks for.
export function closeLetters(needle) {
  return needle.replace(whitespace, '');
}

// Latin letters from the rarest to the most common in prose. A close match is
// looked for around the query's rarest letter, so in a long text "the quikc"
// visits each "q" rather than each "t". Characters not listed (digits,
// punctuation, other scripts) count as rarer still.
const commonness = 'zqjxkvbpygfwmucldrhsnioate';

function anchorOf(letters) {
  let best = 0;
  let bestRank = Infinity;
  for (let k = 0; k < letters.length; k++) {
    const rank = commonness.indexOf(letters[k]);
    if (rank < bestRank) {
      best = k;
      bestRank = rank;
    }
  }
  return best;
}

// Whether `letters` stand in `text` in order, each at most `maxGap` after
// the previous one. Every way of placing them is tried, not just the
// earliest, so a longer query never finds what a shorter one missed. This
// runs over whole entries on every keystroke, so it allocates nothing: the
// places each letter can stand are kept in two reused arrays.
export function isCloseMatch(text, letters) {
  const n = letters.length;
  if (n < minCloseLetters) return false;
  const anchor = anchorOf(letters);
  const wanted = letters[anchor];
  for (let at = text.indexOf(wanted); at >= 0; at = text.indexOf(wanted, at + 1)) {
    if (reaches(text, letters, anchor, at, -1) && reaches(text, letters, anchor, at, 1)) return true;
  }
  return false;
}

let here = new Int32Array(64);
let there = new Int32Array(64);

// Whether the letters before (`step` -1) or after (+1) letter `from` can
// stand in `text` when that letter stands at `at`.
function reaches(text, letters, from, at, step) {
  // A letter k places away can only stand within k * maxGap of `at`.
  const room = letters.length * maxGap + 1;
  if (here.length < room) {
    here = new Int32Array(room);
    there = new Int32Array(room);
  }
  let current = here;
  let next = there;
  let count = 1;
  current[0] = at;
  for (let k = from + step; k >= 0 && k < letters.length; k += step) {
    const wanted = letters.charCodeAt(k);
    let found = 0;
    let p = 0;
    if (step > 0) {
      const last = Math.min(text.length - 1, current[count - 1] + maxGap);
      for (let j = current[0] + 1; j <= last; j++) {
        while (p < count && current[p] + maxGap < j) p++;
        if (p === count) break;
        if (current[p] < j && text.charCodeAt(j) === wanted) next[found++] = j;
      }
    } else {
      // Going backwards the places are kept in descending order.
      const last = Math.max(0, current[count - 1] - maxGap);
      for (let j = current[0] - 1; j >= last; j--) {
        while (p < count && current[p] - maxGap > j) p++;
        if (p === count) break;
        if (current[p] > j && text.charCodeAt(j) === wanted) next[found++] = j;
      }
    }
    if (found === 0) return false;
    [current, next] = [next, current];
    count = found;
  }
  return true;
}

// Positions in `text` of `letters` as a close match finds them, or null.
// For the short previews only: it keeps every place each letter can stand.
export function closePositions(text, letters) {
  if (letters.length === 0) return null;
  let start = text.indexOf(letters[0]);
  while (start >= 0) {
    const found = chainFrom(text, letters, start);
    if (found) return found;
    start = text.indexOf(letters[0], start + 1);
  }
  return null;
}

// Each level holds the positions where letter k can stand, with the index of
// its predecessor one level up; the windows are a few characters wide.
function chainFrom(text, letters, start) {
  const levels = [[{ at: start, from: -1 }]];
  for (let k = 1; k < letters.length; k++) {
    const previous = levels[k - 1];
    const wanted = letters[k];
    const next = [];
    let p = 0;
    const last = Math.min(text.length - 1, previous[previous.length - 1].at + maxGap);
    for (let j = previous[0].at + 1; j <= last; j++) {
      while (p < previous.length && previous[p].at + maxGap < j) p++;
      if (p === previous.length) break;
      if (previous[p].at < j && text[j] === wanted) next.push({ at: j, from: p });
    }
    if (next.length === 0) return null;
    levels.push(next);
  }
  const positions = new Array(letters.length);
  let index = 0;
  for (let k = letters.length - 1; k >= 0; k--) {
    const { at, from } = levels[k][index];
    positions[k] = at;
    index = from;
  }
  return positions;
}

// Whether every character of `text` folds to as many code units as it has,
// as "é" to "e" and "…" to itself: then positions need no map.
function foldsInPlace(text) {
  for (const run of text.matchAll(nonAsciiRun)) {
    for (const char of run[0]) if (foldRun(char).length !== char.length) return false;
  }
  return true;
}

// The folded form of a short text, with the original index of every folded
// character where folding changed lengths ("ß" to "ss", a combining mark to
// nothing), so that a match found in folded text can be shown in the original.
// ASCII stretches map one to one; only the other characters are folded one by
// one.
function foldWithMap(text) {
  if (asciiOnly.test(text) || foldsInPlace(text)) return { folded: fold(text), starts: null, ends: null };
  const parts = [];
  // Folding makes at most three characters of one ("ﬃ").
  const starts = new Int32Array(text.length * 3);
  const ends = new Int32Array(text.length * 3);
  let length = 0;
  let at = 0;
  const keep = (from, to) => {
    parts.push(text.slice(from, to).toLowerCase());
    for (let i = from; i < to; i++, length++) {
      starts[length] = i;
      ends[length] = i + 1;
    }
  };
  for (const run of text.matchAll(nonAsciiRun)) {
    keep(at, run.index);
    let index = run.index;
    for (const char of run[0]) {
      const part = foldRun(char);
      // A combining mark belongs to the letter before it, so it is marked with it.
      if (part === '' && length > 0) ends[length - 1] = index + char.length;
      for (let i = 0; i < part.length; i++, length++) {
        starts[length] = index;
        ends[length] = index + char.length;
      }
      parts.push(part);
      index += char.length;
    }
    at = index;
  }
  keep(at, text.length);
  return { folded: parts.join(''), starts, ends };
}

function merged(ranges) {
  const out = [];
  for (const range of ranges.sort((a, b) => a[0] - b[0])) {
    const last = out[out.length - 1];
    if (last && range[0] <= last[1]) last[1] = Math.max(last[1], range[1]);
    else out.push([range[0], range[1]]);
  }
  return out;
}

// The [start, end) ranges of `text` to mark for `query`: every place holding
// the query, or else the letters of a close match. Empty when none is in `text`.
export function matchRanges(text, query) {
  const needle = fold(query);
  if (needle === '' || text === '') return [];
  const { folded, starts, ends } = foldWithMap(text);
  const toOriginal = starts === null ? (from, to) => [from, to] : (from, to) => [starts[from], ends[to - 1]];
  const ranges = [];
  for (let at = folded.indexOf(needle); at >= 0 && ranges.length < maxMarks; at = folded.indexOf(needle, at + needle.length)) {
    ranges.push(toOriginal(at, at + needle.length));
  }
  if (ranges.length === 0) {
    const letters = closeLetters(needle);
    const positions = letters.length >= minCloseLetters ? closePositions(folded, letters) : null;
    for (const at of positions ?? []) ranges.push(toOriginal(at, at + 1));
  }
  return merged(ranges);
}
