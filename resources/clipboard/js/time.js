// Relative times for card footers, from seconds since 1970.

const monthDay = new Intl.DateTimeFormat(undefined, { month: 'short', day: 'numeric' });
const fullDate = new Intl.DateTimeFormat(undefined, { month: 'short', day: 'numeric', year: 'numeric' });
const exact = new Intl.DateTimeFormat(undefined, { dateStyle: 'medium', timeStyle: 'short' });

export function relativeTime(ts, nowMs = Date.now()) {
  const seconds = Math.max(0, nowMs / 1000 - ts);
  if (seconds < 45) return 'Just now';
  const minutes = Math.round(seconds / 60);
  if (minutes < 60) return `${minutes} min ago`;
  const hours = Math.round(minutes / 60);
  if (hours < 24) return `${hours} h ago`;
  const days = Math.floor(hours / 24);
  if (days === 1) return 'Yesterday';
  if (days < 7) return `${days} days ago`;
  const date = new Date(ts * 1000);
  return date.getFullYear() === new Date(nowMs).getFullYear() ? monthDay.format(date) : fullDate.format(date);
}

export function exactTime(ts) {
  return exact.format(new Date(ts * 1000));
}
