'use strict';
// @tarnwick/addon: loads tarnwick_addon.node and re-exports its fifteen functions unchanged.
//
// The module is looked for, first found wins:
//   1. $TARNWICK_ADDON_PATH (a path to the .node file);
//   2. beside this file: the build tree (CMake copies the package next to the module it builds)
//      and an application that bundles the package with its .node and .so files;
//   3. the installed prefix: <prefix>/lib/node_modules/@tarnwick/addon/ → <prefix>/lib/.

const fs = require('node:fs');
const path = require('node:path');

const MODULE_FILE = 'tarnwick_addon.node';
const LIBRARY_FILE = 'libTarnwickNative.so';

function candidates() {
  const list = [];
  if (process.env.TARNWICK_ADDON_PATH) list.push(path.resolve(process.env.TARNWICK_ADDON_PATH));
  list.push(path.join(__dirname, MODULE_FILE));
  list.push(path.join(__dirname, '..', '..', '..', MODULE_FILE));
  return list;
}

function locateModule() {
  const tried = candidates();
  const found = tried.find((file) => fs.existsSync(file));
  if (!found) {
    throw new Error(`${MODULE_FILE} not found; looked at ${tried.join(', ')} (set TARNWICK_ADDON_PATH)`);
  }
  return found;
}

// libTarnwickNative sits beside the module once installed or bundled, one folder up in the build tree.
function locateLibrary(modulePath) {
  const folder = path.dirname(modulePath);
  return [path.join(folder, LIBRARY_FILE), path.join(folder, '..', LIBRARY_FILE)]
    .find((file) => fs.existsSync(file)) || null;
}

const modulePath = locateModule();
const native = require(modulePath);

module.exports = {
  ...native,
  modulePath,
  nativeLibraryPath: locateLibrary(modulePath),
};
