// Relative times for card footers, from seconds since 1970, in the user's language.

import { t, isSourceLanguage, formatLocale } from './i18n.js';

const monthDay = new Intl.DateTimeFormat(formatLocale, { month: 'short', day: 'numeric' });
const fullDate = new Intl.DateTimeFormat(formatLocale, { month: 'short', day: 'numeric', year: 'numeric' });
const exact = new Intl.DateTimeFormat(formatLocale, { dateStyle: 'medium', timeStyle: 'short' });
// "vor 5 Min.", "gestern": the language's own short ages, with words for yesterday.
const relative = new Intl.RelativeTimeFormat(formatLocale, { numeric: 'auto', style: 'short' });

// English keeps the page's own short forms ("5 min ago", "3 h ago"); other languages use theirs.
function age(value, unit) {
  if (!isSourceLanguage) return relative.format(-value, unit);
  if (unit === 'minute') return `${value} min ago`;
  if (unit === 'hour') return `${value} h ago`;
  return value === 1 ? 'Yesterday' : `${value} days ago`;
}

export function relativeTime(ts, nowMs = Date.now()) {
  const seconds = Math.max(0, nowMs / 1000 - ts);
  if (seconds < 45) return t('Just now');
  const minutes = Math.round(seconds / 60);
  if (minutes < 60) return age(minutes, 'minute');
  const hours = Math.round(minutes / 60);
  if (hours < 24) return age(hours, 'hour');
  const days = Math.floor(hours / 24);
  if (days < 7) return age(days, 'day');
  const date = new Date(ts * 1000);
  return date.getFullYear() === new Date(nowMs).getFullYear() ? monthDay.format(date) : fullDate.format(date);
}

export function exactTime(ts) {
  return exact.format(new Date(ts * 1000));
}
