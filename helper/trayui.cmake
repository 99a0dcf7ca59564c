# Tray item (StatusNotifierItem), its drawing, the popover and the verification code card.
