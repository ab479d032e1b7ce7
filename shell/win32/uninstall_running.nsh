# Run by the uninstaller before it removes anything, so that it removes all or nothing. Kestrune
# keeps nothing to save, so its windows are closed (after asking, unless silent); then the
# executable must be free within 10 s, or the uninstaller stops with nothing removed.
FindWindow $0 "frmMain"
StrCmp $0 0 kestrune_free
MessageBox MB_OKCANCEL|MB_ICONQUESTION "Kestrune is running. Close it and uninstall?" /SD IDOK IDOK kestrune_close
SetErrorLevel 1
Abort "Kestrune is still running: nothing was removed."
kestrune_close: # every copy's window, until one stays: it is hung
    StrCpy $1 $0
    SendMessage $0 0x0010 0 0 /TIMEOUT=2000 # WM_CLOSE
    FindWindow $0 "frmMain"
    StrCmp $0 0 kestrune_free
    StrCmp $0 $1 kestrune_free kestrune_close
kestrune_free:
IfFileExists "$INSTDIR\Kestrune.exe" 0 kestrune_gone
StrCpy $1 0
kestrune_wait:
    ClearErrors
    FileOpen $0 "$INSTDIR\Kestrune.exe" a # fails while a process runs it
    IfErrors 0 kestrune_done
    IntOp $1 $1 + 1
    Sleep 100
    IntCmp $1 100 0 kestrune_wait
    MessageBox MB_OK|MB_ICONSTOP "Kestrune is still running from $INSTDIR. Close it, then uninstall again. Nothing was removed." /SD IDOK
    SetErrorLevel 2
    Abort "Kestrune is still running: nothing was removed."
kestrune_done:
FileClose $0
kestrune_gone:
