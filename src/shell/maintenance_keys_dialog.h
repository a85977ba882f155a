#pragma once
// The maintenance keys of the main panel that have no button: Alt+I and Alt+U (IDLE in and
// out, always), Alt+F (erase the flash), Alt+A (network address) and Alt+P (page pointers),
// the last three only while the verbose mode (Alt+V) is on.
class DialogMain;

// Runs the key's function on the panel. True when `key` (a Qt letter key) is one of these
// keys, also when its condition does not hold and it does nothing.
bool maintenanceKey(DialogMain& dlg, int key);
