// Windows builds the support library from this file alone: every helper is POSIX-only.
