#pragma once
// The output of the equality test's scan as the program gave it before its
// scan was made faster; written by the test with QM_EQUALITY_DUMP. The
// running program's temp folder is written as "<temp>".
constexpr const char *kScanReference =
    R"(15 pass 1 [HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run] 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31 32 33 34 35
15.1 pass 1 type 2 name [QmEq01] item [] image [C:\qmeq\a,b.exe] desc [] file created modified
15.2 pass 1 type 2 name [QmEq02] item [] image [C:\qmeq\c.exe] desc []
15.3 pass 1 type 2 name [QmEq03] item [] image [C:\qmeq\missing.exe] desc []
15.4 pass 1 type 2 name [QmEq04] item [] image [C:\qmeq\missing.exe] desc []
15.5 pass 1 type 2 name [QmEq05] item [] image [C:\windows\system32\note*.exe] desc [] file created modified
15.6 pass 1 type 2 name [QmEq06] item [] image [C:\qmeq\c.exe] desc []
15.7 pass 1 type 2 name [QmEq07] item [] image [C:\qmeq\nothing*.exe] desc []
15.8 pass 1 type 2 name [QmEq08] item [] image [C:\windows\system32\notepad.exe] desc [] file created modified
15.9 pass 1 type 2 name [QmEq09] item [] image [C:\Program Files\qmeq\x.exe] desc []
15.10 pass 1 type 2 name [QmEq10] item [] image [C:\windows\regedit.exe] desc [] file microsoft created modified v1 [Microsoft Corporation] v2 [Wine Registry Editor] v3 [5.2.3790.0] v4 [REGEDIT] v5 [Copyright (c) 1993-2023 the Wine project authors (see the file AUTHORS for a complete list)] v6 [REGEDIT.EXE] v7 [Wine] v8 [5.2]
15.11 pass 1 type 2 name [QmEq11] item [] image [<temp>\qmeq-none.exe] desc []
15.12 pass 1 type 2 name [QmEq12] item [] image [C:\qmeq\a.exe] desc []
15.13 pass 1 type 2 name [QmEq13] item [] image [C:\windows\system32\notepad.exe] desc [] file created modified
15.14 pass 1 type 2 name [QmEq14] item [] image [C:\windows\regedit.exe] desc [] file microsoft created modified v1 [Microsoft Corporation] v2 [Wine Registry Editor] v3 [5.2.3790.0] v4 [REGEDIT] v5 [Copyright (c) 1993-2023 the Wine project authors (see the file AUTHORS for a complete list)] v6 [REGEDIT.EXE] v7 [Wine] v8 [5.2]
15.15 pass 1 type 2 name [QmEq15] item [] image [C:\windows\system32\shell32.dll] desc [] file microsoft created modified v1 [Microsoft Corporation] v2 [Wine core dll] v3 [6.0.2900.6242] v5 [Copyright (c) 1993-2023 the Wine project authors (see the file AUTHORS for a complete list)] v6 [shell32.dll] v7 [Wine] v8 [6.0.2900.6242]
15.16 pass 1 type 2 name [QmEq16] item [] image [C:\windows\system32\regsvr32.exe] desc [] file microsoft created modified v1 [Microsoft Corporation] v2 [Wine Register Server] v3 [5.1.2600.2180] v5 [Copyright (c) 1993-2023 the Wine project authors (see the file AUTHORS for a complete list)] v6 [REGSVR32.EXE] v7 [Wine] v8 [5.1]
15.17 pass 1 type 2 name [QmEq17] item [] image [C:\WINDOWS\SYSTEM32\NOTEPAD.EXE] desc [] file created modified
15.18 pass 1 type 2 name [QmEq18] item [] image [c:\Windows\Hh.Exe] desc [] file created modified
15.19 pass 1 type 2 name [QmEq19] item [] image [C:\.exe] desc []
15.20 pass 1 type 2 name [QmEq20] item [] image [C:\windows.exe] desc []
15.21 pass 1 type 2 name [QmEq21] item [] image [C:\qmeq\with space\prog.exe] desc [] file created modified
15.22 pass 1 type 2 name [QmEq22] item [] image [C:\qmeq\with space\prog.exe] desc [] file created modified
15.23 pass 1 type 2 name [QmEq23] item [] image [C:\qmeq\trail.exe.] desc [] file created modified
15.24 pass 1 type 2 name [QmEq24] item [] image [C:\qmeq\a,b.exe] desc [] file created modified
15.25 pass 1 type 2 name [QmEq25] item [] image [C:\windows\system32\notepad.exe] desc [] file created modified
15.26 pass 1 type 2 name [QmEq26] item [] image [C:/windows/notepad.exe] desc [] file created modified
15.27 pass 1 type 2 name [QmEq27] item [] image [C:\QMEQ\A.exe] desc []
15.28 pass 1 type 2 name [QmEq28] item [] image [C:\qmeq\..\windows\notepad.exe] desc [] file created modified
15.29 pass 1 type 2 name [QmEq29] item [] image [C:\windows\system32\.exe] desc []
15.30 pass 1 type 2 name [QmEq30] item [] image [] desc []
15.31 pass 1 type 2 name [QmEq31] item [] image [C:\qmeq\c.exe] desc []
15.32 pass 1 type 2 name [QmEq32] item [] image [C:\qmeq\a.exe] desc []
15.33 pass 1 type 2 name [QmEq33] item [] image [C:\windows\system32\notepad.exe] desc [] file created modified
15.34 pass 1 type 2 name [QmEq34] item [] image [C:\qmeq\a,b.exe] desc [] file created modified
15.35 pass 1 type 2 name [QmEqOff] item [] image [C:\qmeq\a.exe] desc [] disabled
48 pass 1 [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services] 6 7 8 9 10
48.6 pass 1 type 1 name [QmEqSvc1] item [] image [C:\qmeq\with space\prog.exe] desc [Generic Host Process for Win32 Services] file created modified
48.7 pass 1 type 1 name [QmEqSvc2] item [] image [C:\windows\system32\svchost.exe] desc [Generic Host Process for Win32 Services] file created modified
48.8 pass 1 type 1 name [QmEqSvc3] item [] image [C:\windows\system32\svchost.exe] desc [Generic Host Process for Win32 Services] file created modified
48.9 pass 1 type 1 name [QmEqSvc4] item [] image [C:\qmeq\missing.exe] desc [Generic Host Process for Win32 Services] disabled
48.10 pass 1 type 1 name [QmEqSvc5] item [] image [C:\windows\regedit.exe] desc [Generic Host Process for Win32 Services] file microsoft created modified v1 [Microsoft Corporation] v2 [Wine Registry Editor] v3 [5.2.3790.0] v4 [REGEDIT] v5 [Copyright (c) 1993-2023 the Wine project authors (see the file AUTHORS for a complete list)] v6 [REGEDIT.EXE] v7 [Wine] v8 [5.2]
49 pass 1 [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services] 5 6 7 8 9 10 11 12 13
49.5 pass 1 type 1 name [QmEqDrv1] item [] image [C:\] desc []
49.6 pass 1 type 1 name [QmEqDrv2] item [] image [C:\windows\] desc []
49.7 pass 1 type 1 name [QmEqDrv3] item [] image [C:\windows] desc [] created modified
49.8 pass 1 type 1 name [QmEqDrv4] item [] image [C:\windows\system32\drivers\null.sys] desc []
49.9 pass 1 type 1 name [QmEqDrv5] item [] image [C:\windows\system32\DRIVERS\QmEqMissing.sys] desc []
49.10 pass 1 type 1 name [QmEqDrv6] item [] image [C:\qmeq\*.sys] desc [] file created modified
49.11 pass 1 type 1 name [QmEqDrv7] item [] image [C:] desc []
49.12 pass 1 type 1 name [QmEqDrv8] item [] image [C:\qmeq\trail.exe.] desc [] file created modified
49.13 pass 1 type 1 name [QmEqDrv9] item [] image [c:\QMEQ\W.SYS] desc [] disabled file created modified
watch
15 pass 1 [HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run] 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 28 29 30 31 32 33 34 35
15.1 pass 1 type 2 name [QmEq01] item [] image [C:\qmeq\a,b.exe] desc []
15.2 pass 1 type 2 name [QmEq02] item [] image [C:\qmeq\c.exe] desc []
15.3 pass 1 type 2 name [QmEq03] item [] image [C:\qmeq\missing.exe] desc []
15.4 pass 1 type 2 name [QmEq04] item [] image [C:\qmeq\missing.exe] desc []
15.5 pass 1 type 2 name [QmEq05] item [] image [C:\windows\system32\note*.exe] desc []
15.6 pass 1 type 2 name [QmEq06] item [] image [C:\qmeq\c.exe] desc []
15.7 pass 1 type 2 name [QmEq07] item [] image [C:\qmeq\nothing*.exe] desc []
15.8 pass 1 type 2 name [QmEq08] item [] image [C:\windows\system32\notepad.exe] desc []
15.9 pass 1 type 2 name [QmEq09] item [] image [C:\Program Files\qmeq\x.exe] desc []
15.10 pass 1 type 2 name [QmEq10] item [] image [C:\windows\regedit.exe] desc []
15.11 pass 1 type 2 name [QmEq11] item [] image [<temp>\qmeq-none.exe] desc []
15.12 pass 1 type 2 name [QmEq12] item [] image [C:\qmeq\a.exe] desc []
15.13 pass 1 type 2 name [QmEq13] item [] image [C:\windows\system32\notepad.exe] desc []
15.14 pass 1 type 2 name [QmEq14] item [] image [C:\windows\system32\regedit.exe] desc []
15.15 pass 1 type 2 name [QmEq15] item [] image [C:\windows\system32\shell32.dll] desc []
15.16 pass 1 type 2 name [QmEq16] item [] image [C:\windows\system32\regsvr32.exe] desc []
15.17 pass 1 type 2 name [QmEq17] item [] image [C:\WINDOWS\SYSTEM32\NOTEPAD.EXE] desc []
15.18 pass 1 type 2 name [QmEq18] item [] image [c:\Windows\System32\Hh.Exe] desc []
15.19 pass 1 type 2 name [QmEq19] item [] image [C:\.exe] desc []
15.20 pass 1 type 2 name [QmEq20] item [] image [C:\windows.exe] desc []
15.21 pass 1 type 2 name [QmEq21] item [] image [C:\qmeq\with space\prog.exe] desc []
15.22 pass 1 type 2 name [QmEq22] item [] image [C:\qmeq\with space\prog.exe] desc []
15.23 pass 1 type 2 name [QmEq23] item [] image [C:\qmeq\trail.exe.] desc []
15.24 pass 1 type 2 name [QmEq24] item [] image [C:\qmeq\a,b.exe] desc []
15.25 pass 1 type 2 name [QmEq25] item [] image [C:\windows\system32\notepad.exe] desc []
15.26 pass 1 type 2 name [QmEq26] item [] image [C:/windows/notepad.exe] desc []
15.27 pass 1 type 2 name [QmEq27] item [] image [C:\QMEQ\A.exe] desc []
15.28 pass 1 type 2 name [QmEq28] item [] image [C:\qmeq\..\windows\notepad.exe] desc []
15.29 pass 1 type 2 name [QmEq29] item [] image [C:\windows\system32\.exe] desc []
15.30 pass 1 type 2 name [QmEq30] item [] image [] desc []
15.31 pass 1 type 2 name [QmEq31] item [] image [C:\qmeq\c.exe] desc []
15.32 pass 1 type 2 name [QmEq32] item [] image [C:\qmeq\a.exe] desc []
15.33 pass 1 type 2 name [QmEq33] item [] image [C:\windows\system32\notepad.exe] desc []
15.34 pass 1 type 2 name [QmEq34] item [] image [C:\qmeq\a,b.exe] desc []
15.35 pass 1 type 2 name [QmEqOff] item [] image [C:\qmeq\a.exe] desc [] disabled
48 pass 1 [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services] 6 7 8 9 10
48.6 pass 1 type 1 name [QmEqSvc1] item [] image [C:\qmeq\with space\prog.exe] desc [Generic Host Process for Win32 Services]
48.7 pass 1 type 1 name [QmEqSvc2] item [] image [C:\windows\system32\svchost.exe] desc [Generic Host Process for Win32 Services]
48.8 pass 1 type 1 name [QmEqSvc3] item [] image [C:\windows\system32\svchost.exe] desc [Generic Host Process for Win32 Services]
48.9 pass 1 type 1 name [QmEqSvc4] item [] image [C:\qmeq\missing.exe] desc [Generic Host Process for Win32 Services] disabled
48.10 pass 1 type 1 name [QmEqSvc5] item [] image [C:\windows\system32\regedit.exe] desc [Generic Host Process for Win32 Services]
49 pass 1 [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services] 5 6 7 8 9 10 11 12 13
49.5 pass 1 type 1 name [QmEqDrv1] item [] image [C:\] desc []
49.6 pass 1 type 1 name [QmEqDrv2] item [] image [C:\windows\] desc []
49.7 pass 1 type 1 name [QmEqDrv3] item [] image [C:\windows] desc []
49.8 pass 1 type 1 name [QmEqDrv4] item [] image [C:\windows\system32\drivers\null.sys] desc []
49.9 pass 1 type 1 name [QmEqDrv5] item [] image [C:\windows\system32\DRIVERS\QmEqMissing.sys] desc []
49.10 pass 1 type 1 name [QmEqDrv6] item [] image [C:\qmeq\*.sys] desc []
49.11 pass 1 type 1 name [QmEqDrv7] item [] image [C:] desc []
49.12 pass 1 type 1 name [QmEqDrv8] item [] image [C:\qmeq\trail.exe.] desc []
49.13 pass 1 type 1 name [QmEqDrv9] item [] image [c:\QMEQ\W.SYS] desc [] disabled
)";
