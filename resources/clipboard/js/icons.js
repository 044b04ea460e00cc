// Line icons on a 24-unit grid, stroked with the current text colour so that
// they follow the theme. Each entry lists the shapes of one icon.
const shapes = {
  search: [['circle', { cx: 11, cy: 11, r: 6.5 }], ['path', { d: 'M16 16l4.5 4.5' }]],
  plus: [['path', { d: 'M12 5v14M5 12h14' }]],
  close: [['path', { d: 'M6.5 6.5l11 11M17.5 6.5l-11 11' }]],
  chevronDown: [['path', { d: 'M6.5 9.5l5.5 5.5 5.5-5.5' }]],
  chevronRight: [['path', { d: 'M9.5 6.5l5.5 5.5-5.5 5.5' }]],
  gear: [
    ['path', { d: 'M4 7h9M19 7h1M4 17h3M13 17h7' }],
    ['circle', { cx: 16, cy: 7, r: 2.6 }],
    ['circle', { cx: 10, cy: 17, r: 2.6 }],
  ],
  pin: [['path', { d: 'M9 3.8h6M10 4v5.2L7 13v1.6h10V13l-3-3.8V4M12 14.6V20.5' }]],
  trash: [['path', { d: 'M4.5 7h15M9.5 7V4.8h5V7M6.5 7l.9 12.2h9.2L17.5 7M10.3 10.8v5M13.7 10.8v5' }]],
  check: [['path', { d: 'M5.5 12.5l4.2 4.2 8.8-9.2' }]],
  block: [['path', { d: 'M4 7.5A2 2 0 0 1 6 5.5h3.5l2 2H18a2 2 0 0 1 2 2V17a2 2 0 0 1-2 2H6a2 2 0 0 1-2-2z' }]],
  layers: [['path', { d: 'M12 4.5l8 4-8 4-8-4zM4 12.5l8 4 8-4M4 16.3l8 4 8-4' }]],
  pencil: [['path', { d: 'M5 19.5h3.5L19 9l-3.5-3.5L5 16z M13.5 7.5l3 3' }]],
  more: [
    ['circle', { cx: 6, cy: 12, r: 1.4, fill: 'currentColor' }],
    ['circle', { cx: 12, cy: 12, r: 1.4, fill: 'currentColor' }],
    ['circle', { cx: 18, cy: 12, r: 1.4, fill: 'currentColor' }],
  ],
  help: [
    ['circle', { cx: 12, cy: 12, r: 8.5 }],
    ['path', { d: 'M9.6 9.6a2.5 2.5 0 1 1 3.6 2.2c-.7.35-1.2.9-1.2 1.7v.5' }],
    ['circle', { cx: 12, cy: 16.9, r: 0.9, fill: 'currentColor', stroke: 'none' }],
  ],
  info: [
    ['circle', { cx: 12, cy: 12, r: 8.5 }],
    ['path', { d: 'M12 11v5.5' }],
    ['circle', { cx: 12, cy: 7.9, r: 0.9, fill: 'currentColor', stroke: 'none' }],
  ],
  external: [['path', { d: 'M13.5 5H19v5.5M19 5l-8 8M17 13.5V18a1 1 0 0 1-1 1H6a1 1 0 0 1-1-1V8a1 1 0 0 1 1-1h4.5' }]],
  image: [
    ['rect', { x: 4, y: 5, width: 16, height: 14, rx: 2.5 }],
    ['circle', { cx: 9, cy: 10, r: 1.6 }],
    ['path', { d: 'M20 15.5l-4.5-4.5L7 19' }],
  ],
  pause: [['path', { d: 'M9.5 6.5v11M14.5 6.5v11' }]],
  play: [['path', { d: 'M8.5 6v12l9.5-6z' }]],
  clipboard: [
    ['rect', { x: 9, y: 3.5, width: 6, height: 3.2, rx: 1 }],
    ['path', { d: 'M9 5.2H7.2a2 2 0 0 0-2 2V19a2 2 0 0 0 2 2h9.6a2 2 0 0 0 2-2V7.2a2 2 0 0 0-2-2H15' }],
    ['path', { d: 'M8.8 11.5h6.4M8.8 15h4.2' }],
  ],
  copy: [
    ['rect', { x: 8.5, y: 8.5, width: 11, height: 11, rx: 2 }],
    ['path', { d: 'M15.5 8.5V6.5a2 2 0 0 0-2-2h-7a2 2 0 0 0-2 2v7a2 2 0 0 0 2 2h2' }],
  ],
  palette: [['circle', { cx: 12, cy: 12, r: 7.5 }]],
  unfile: [['path', { d: 'M4 7.5A2 2 0 0 1 6 5.5h3.5l2 2H18a2 2 0 0 1 2 2V17a2 2 0 0 1-2 2H6a2 2 0 0 1-2-2zM9.5 13.2h5' }]],
};

const svgNS = 'http://www.w3.org/2000/svg';

// Builds a fresh <svg> for the named icon; unknown names give an empty icon.
export function icon(name, className = 'icon') {
  const svg = document.createElementNS(svgNS, 'svg');
  svg.setAttribute('viewBox', '0 0 24 24');
  svg.setAttribute('class', className);
  svg.setAttribute('aria-hidden', 'true');
  svg.setAttribute('fill', 'none');
  svg.setAttribute('stroke', 'currentColor');
  svg.setAttribute('stroke-width', '1.8');
  svg.setAttribute('stroke-linecap', 'round');
  svg.setAttribute('stroke-linejoin', 'round');
  for (const [tag, attrs] of shapes[name] || []) {
    const shape = document.createElementNS(svgNS, tag);
    for (const [key, value] of Object.entries(attrs)) shape.setAttribute(key, String(value));
    svg.append(shape);
  }
  return svg;
}

// Fills every static placeholder of the form <span data-icon="name"> once at start.
export function fillIconSlots(root) {
  for (const slot of root.querySelectorAll('[data-icon]')) {
    slot.replaceChildren(icon(slot.dataset.icon));
  }
}
