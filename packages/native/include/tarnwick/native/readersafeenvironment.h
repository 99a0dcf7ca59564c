#pragma once

// Changes to the process environment that threads reading it at the same moment survive.
//
// setenv() grows the variable array with realloc() and frees the old one, so a getenv() running on
// another thread of the host (a Node.js host has many) can read freed memory. These functions build
// a new array, publish it with one pointer store and leave the old array alive; a reader sees either
// the old or the new environment, never a torn one. They are meant for a few changes in the life of
// a process: each change keeps one array of pointers alive for good.
//
// They do not guard against another thread changing the environment at the same moment (nothing
// can: setenv's lock is private to the C library); one of the two changes may then be lost.

namespace tarnwick::native {

/// Adds `name=value`, or replaces the value of `name`.
void setEnvironmentVariableForReaders(const char* name, const char* value);
/// Removes every entry of `name`; does nothing when there is none.
void removeEnvironmentVariableForReaders(const char* name);

} // namespace tarnwick::native
