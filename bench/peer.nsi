; The peer: an NSIS installer that leaves the machine as a quiet install of the sample package
; leaves it (files, the reader driver's service key, the card type, both COM modules
; registered in process). bench/run builds it and runs it silently (/S):
;   makensis -DPACKAGE=<package folder> -DOUTFILE=<installer> bench/peer.nsi
Unicode false
Name "Zentavo drivers"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SilentInstall silent
InstallDir "$SYSDIR"
ShowInstDetails nevershow

Section
  SetOverwrite on
  SetOutPath "$SYSDIR\drivers"
  File "${PACKAGE}\zvIFDH.sys"
  File "${PACKAGE}\zvUSB.sys"
  SetOutPath "$WINDIR\inf"
  File "${PACKAGE}\zvUSB.inf"
  SetOutPath "$SYSDIR"
  File "${PACKAGE}\zvAPI.dll"
  File "${PACKAGE}\zvAPIEX.dll"
  File "${PACKAGE}\zvERR.dll"
  File "${PACKAGE}\zvCSP.dll"
  File "${PACKAGE}\zvCSP.sig"
  File "${PACKAGE}\zvICCSP.dll"
  File "${PACKAGE}\zvPKCS11.dll"

  !define SERVICE "System\CurrentControlSet\Services\zvIFDH"
  WriteRegStr HKLM "${SERVICE}" "DisplayName" "ZenTavo Driver"
  WriteRegStr HKLM "${SERVICE}" "Group" "Smart Card Reader"
  WriteRegStr HKLM "${SERVICE}" "ImagePath" "\SystemRoot\System32\drivers\zvIFDH.sys"
  WriteRegDWORD HKLM "${SERVICE}" "Start" 1
  WriteRegDWORD HKLM "${SERVICE}" "Type" 1
  WriteRegDWORD HKLM "${SERVICE}" "ErrorControl" 1
  WriteRegDWORD HKLM "${SERVICE}" "ReadersCount" 3
  WriteRegBin HKLM "Software\Microsoft\Cryptography\Calais\SmartCards\zenTavo" "ATR" \
    3b6f00ff00567a656e54617673302000009000

  RegDLL "$SYSDIR\zvCSP.dll"
  RegDLL "$SYSDIR\zvICCSP.dll"
SectionEnd
