' A late-bound client as a bookkeeper's macro would be: creates the add-in by
' its ProgID, loads a draw with 验证 and settles bets, passing a VBScript
' object where Excel passes a one-cell Range (the add-in reads its default
' value, as it reads a Range's).
'
' Each result goes to the output file as "value<TAB>type<TAB>text", in the
' order of the "' eval:" lines: the test asks the add-in's core the same
' requests through `korvane eval` and wants the same answers (a whole-number
' literal is an Integer in VBScript, hence {"int": n} there). Checks of the
' COM binding itself go there as "ok ..." or "FAIL ...", and the last line
' counts the failures. (Wine's cscript cannot print Chinese text to a pipe,
' and it exits 0 even after an error, hence the file and the final count.)
Option Explicit

Class Cell
  Private held
  Public Reads
  Public Sub Hold(x)
    held = x
    Reads = 0
  End Sub
  Public Default Property Get Value()
    Reads = Reads + 1
    Value = held
  End Property
End Class

Function MakeCell(x)
  Dim c
  Set c = New Cell
  c.Hold x
  Set MakeCell = c
End Function

Dim fso, out, fails
Set fso = CreateObject("Scripting.FileSystemObject")
Set out = fso.OpenTextFile("@OUT@", 2, True, -1)
fails = 0

Sub Check(label, ok)
  If ok Then
    out.WriteLine "ok " & label
  Else
    out.WriteLine "FAIL " & label
    fails = fails + 1
  End If
End Sub

Sub Record(x)
  Dim kind
  kind = TypeName(x)
  If kind = "Boolean" Then
    out.WriteLine "value" & vbTab & kind & vbTab & CStr(CInt(x))
  Else
    out.WriteLine "value" & vbTab & kind & vbTab & CStr(x)
  End If
End Sub

Dim addin, draw
Set addin = CreateObject("Korvane.自定义函数")
Set draw = MakeCell(CDbl(2))

' eval: {"call":"验证","args":[{"int":2013},"05 12 18 30 41 49","08",{"ref":2}]}
Record addin.验证(2013, "05 12 18 30 41 49", "08", draw)
Check "验证 leaves 易失 unread", draw.Reads = 0
Check "tt", addin.tt = "狗"
Check "pp2", addin.pp2 = "马"
Check "yyy", addin.yyy = "5"
Check "names ignore Latin case", addin.PP6 = addin.pp6

' eval: {"call":"平特几肖","args":["平特二肖","牛马鼠蛇",{"int":100},{"ref":2}]}
Record addin.平特几肖("平特二肖", "牛马鼠蛇", 100, draw)
' eval: {"call":"包几肖","args":["鼠狗",{"int":80},{"ref":2}]}
Record addin.包几肖("鼠狗", 80, draw)
' eval: {"call":"平码几中几","args":["三中三","05-12-18-08-45",{"int":600},{"ref":2}]}
Record addin.平码几中几("三中三", "05-12-18-08-45", 600, draw)
' eval: {"call":"平特几尾","args":["平特二尾","3 9 0",{"int":100},{"ref":2}]}
Record addin.平特几尾("平特二尾", "3 9 0", 100, draw)
' eval: {"call":"特串软串","args":["特串","08 12 41",{"int":100},{"ref":2}]}
Record addin.特串软串("特串", "08 12 41", 100, draw)
' eval: {"call":"平特单双大小","args":["小",{"int":50},{"ref":2}]}
Record addin.平特单双大小("小", 50, draw)
' eval: {"call":"平特几不中","args":["01 02 03 04 06",{"int":300},{"ref":2}]}
Record addin.平特几不中("01 02 03 04 06", 300, draw)
' eval: {"call":"包家禽或野兽","args":["家禽",{"int":100},{"ref":2}]}
Record addin.包家禽或野兽("家禽", 100, draw)

' The special number held as a cell reference, read where it is used.
Dim special
Set special = MakeCell("08")
' eval: {"call":"验证","args":[{"int":2013},"05 12 18 30 41 49",{"ref":"08"},{"ref":2}]}
Record addin.验证(2013, "05 12 18 30 41 49", special, draw)
Check "t keeps the reference", addin.t Is special
' eval: {"call":"平特几肖","args":["平特一肖","狗",{"int":100},{"ref":2}]}
Record addin.平特几肖("平特一肖", "狗", 100, draw)

' Assigning: a let stores the value, a set the object itself.
addin.t = MakeCell("07")
Check "let stores the value", TypeName(addin.t) = "String"
Set addin.p1 = special
Check "set stores the object", addin.p1 Is special

' A 2-D array keeps its rows and columns.
Dim block(1, 2), back
block(0, 2) = 7
block(1, 0) = "x"
addin.p2 = block
back = addin.p2
Check "rows", UBound(back, 1) - LBound(back, 1) = 1
Check "columns", UBound(back, 2) - LBound(back, 2) = 2
Check "cells", back(LBound(back, 1), LBound(back, 2) + 2) = 7 And back(LBound(back, 1) + 1, LBound(back, 2)) = "x"

' A failing call raises an error the macro can trap; a wrong count too.
Dim r
On Error Resume Next
r = addin.PAI("abc")
Check "a failing call raises an error", Err.Number <> 0
Err.Clear
r = addin.PAI(1, 2)
Check "a wrong argument count raises an error", Err.Number <> 0
Err.Clear
On Error GoTo 0

out.WriteLine "fails=" & fails
out.Close
