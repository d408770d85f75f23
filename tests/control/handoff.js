// Hands the link given as the one argument to the program through the browser link control, as
// a page's script does. Exit 0 on success; else prints the error number in hexadecimal, exit 1.
var control = new ActiveXObject("TNControlAX.TNControl");
try {
    control.DownloadFileLink(WScript.Arguments(0));
} catch (e) {
    var number = e.number < 0 ? e.number + 0x100000000 : e.number;
    WScript.Echo("error " + number.toString(16));
    WScript.Quit(1);
}
WScript.Quit(0);
