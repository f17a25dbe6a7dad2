var a = "file://C|/old/site/img/bg.gif";
var b = 'http://unreachable.example/';
