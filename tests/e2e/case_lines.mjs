// A test reporter that prints one line per case as it ends (and the error
// of a failing one), so a long browser file shows its progress.
import { inspect } from 'node:util';

export default async function* caseLines(source) {
  for await (const { type, data } of source) {
    if (type !== 'test:pass' && type !== 'test:fail') continue;
    const indent = '  '.repeat(data.nesting);
    const ms = Math.round(data.details?.duration_ms ?? 0);
    yield `${indent}${type === 'test:pass' ? 'ok' : 'FAILED'} ${data.name} (${ms} ms)\n`;
    if (type === 'test:fail' && data.details?.error) {
      yield `${inspect(data.details.error, { depth: 4 })}\n`;
    }
  }
}
