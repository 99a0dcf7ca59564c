'use strict';
// Splits a stream of text (already decoded, so no character is cut in two) into lines ended by
// "\n"; a "\r" before it is dropped. What follows the last "\n" waits for more text.

class LineSplitter {
  constructor(onLine) {
    this.onLine = onLine;
    this.partial = '';
  }

  push(chunk) {
    const parts = (this.partial + chunk).split('\n');
    this.partial = parts.pop();
    for (const line of parts) this.onLine(line.endsWith('\r') ? line.slice(0, -1) : line);
  }

  /** The stream ended: an unterminated last line is still a line. */
  end() {
    if (this.partial === '') return;
    const line = this.partial;
    this.partial = '';
    this.onLine(line);
  }
}

module.exports = { LineSplitter };
