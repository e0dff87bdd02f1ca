; The setup's own sentences in English, the default: the first language of the
; setup, shown where the user's language is missing or its script cannot be
; shown. UTF-8 with a byte order mark, as every file here: makensis turns each
; text into its language's code page.
LangString NfDirTop ${LANG_ENGLISH} "Setup will install ${PRODUCT} ${VERSION} into the Plugins folder of Winamp.$\r$\n$\r$\nChoose the folder where Winamp is installed, the one that holds ${PLAYER_EXE}."
LangString NfDirDest ${LANG_ENGLISH} "Winamp folder"
LangString NfWin95 ${LANG_ENGLISH} "${PRODUCT} needs Windows 98 or later.$\r$\n$\r$\nWindows 95 lacks the waitable timers that the plugin needs, so Winamp could not load it there. Nothing was installed."
LangString NfNoPlayerLog ${LANG_ENGLISH} "No ${PLAYER_EXE} in $INSTDIR."
LangString NfNoPlayer ${LANG_ENGLISH} "$INSTDIR does not hold ${PLAYER_EXE}.$\r$\n$\r$\n${PRODUCT} is a Winamp plugin: choose the folder where Winamp is installed."
LangString NfPlayerRunning ${LANG_ENGLISH} "Winamp is running and must close first.$\r$\n$\r$\nClick OK to close Winamp now."
LangString NfPlayerRunningLog ${LANG_ENGLISH} "Winamp is running; nothing was changed."
LangString NfClosingLog ${LANG_ENGLISH} "Asking Winamp to close..."
LangString NfStillRunning ${LANG_ENGLISH} "Winamp is still running.$\r$\n$\r$\nClose Winamp, then click Retry."
LangString NfStillRunningLog ${LANG_ENGLISH} "Winamp did not close; nothing was changed."
LangString NfGrantFailedLog ${LANG_ENGLISH} "Could not let the Users group change ${PLUGIN_INI} (exit code $0)."
LangString NfWriteInUse ${LANG_ENGLISH} "Cannot write $INSTDIR\Plugins\${PLUGIN_DLL}: the file is in use.$\r$\n$\r$\nClose Winamp, then click Retry."
LangString NfWriteFailedLog ${LANG_ENGLISH} "Cannot write ${PLUGIN_DLL}; the plugin was not installed."
LangString NfRemoveInUse ${LANG_ENGLISH} "Cannot remove $INSTDIR\${PLUGIN_DLL}: the file is in use.$\r$\n$\r$\nClose Winamp, then click Retry."
LangString NfRemoveFailedLog ${LANG_ENGLISH} "Cannot remove ${PLUGIN_DLL}; nothing else was removed."
LangString NfRemoveSettings ${LANG_ENGLISH} "Remove your ${PRODUCT} settings as well?$\r$\n$\r$\n$INSTDIR\${PLUGIN_INI}"
