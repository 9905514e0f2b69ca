' A script client of the installed add-in: creates it by its ProgID and asks
' it for the sign of 08 in 2013, writing what it got (or why not) to @OUT@.
Set fso = CreateObject("Scripting.FileSystemObject")
Set out = fso.CreateTextFile("@OUT@", True, True)
On Error Resume Next
Set k = CreateObject("Korvane.自定义函数")
If Err.Number <> 0 Then
  out.WriteLine "create-failed " & Hex(Err.Number)
Else
  out.WriteLine "answer " & k.号码转肖(2013, "08", Empty)
End If
out.Close
