# The preferences window and its panes.
