var j = "http://unreachable.example/in-js.html";
document.write('<img src="missing-from-js.gif">');
var k = "http://unreachable.example/k.html"; var l = "http://unreachable.example/same-line.html";
