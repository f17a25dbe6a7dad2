<a href="../nowhere.html">x</a>
var u = "http://unreachable.example/";
