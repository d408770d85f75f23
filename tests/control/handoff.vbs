' Hands the link given as the one argument to the program through the browser link control, as
' a page's script does. Exit 0 on success; else prints the error number in hexadecimal, exit 1.
Dim control, link
Set control = CreateObject("TNControlAX.TNControl.1")
link = WScript.Arguments(0)
On Error Resume Next
control.DownloadFileLink link
If Err.Number <> 0 Then
    WScript.Echo "error " & LCase(Hex(Err.Number))
    WScript.Quit 1
End If
WScript.Quit 0
