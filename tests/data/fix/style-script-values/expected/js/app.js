var a = "../img/bg.gif";
var b = 'http://unreachable.example/';
