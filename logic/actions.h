// End actions. The values are the identifiers of the dialog's action radio
// buttons and are what the settings file stores under "Shutdown".
#ifndef NIGHTFOLD_ACTIONS_H
#define NIGHTFOLD_ACTIONS_H

typedef int EndAction;

enum {
    ACTION_NONE = 1012,
    ACTION_SHUTDOWN = 1013,
    ACTION_STANDBY = 1015,  // hibernate when allowed, else standby
    ACTION_REBOOT = 1018
};

#endif
