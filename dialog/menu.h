// The plugin's submenu "Nightfold" in the player's main popup menu.
#ifndef NIGHTFOLD_MENU_H
#define NIGHTFOLD_MENU_H

// On the player's thread at init: inserts the submenu just above the
// player's Exit item and subclasses its main window to see the menu's
// commands. A player without that menu gets nothing. openSettings opens
// the configuration dialog.
void installMenu(void (*openSettings)(void));
// At quit: takes the submenu out and gives the window procedure back.
void removeMenu(void);

#endif
