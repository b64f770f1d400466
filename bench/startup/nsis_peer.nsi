; The first-paint peer: an installer whose first page is the modern
; interface's welcome page in Dutch, with the wizard's title text, for the
; current user. bench/peers.sh makes it with Debian's makensis and names the
; output file on the command line.
Unicode true
!include "MUI2.nsh"
Name "Programma"
RequestExecutionLevel user
InstallDir "$TEMP\nsis_peer"
!define MUI_WELCOMEPAGE_TITLE "Welkom bij het installatie programma "
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Dutch"
Section
SectionEnd
