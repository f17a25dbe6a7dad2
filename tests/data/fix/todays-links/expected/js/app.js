var api = "https://api.example.com/v1/";
var logo = 'http://old.example.com/img/x.png?v=1';
var files = "file:///nowhere/gone.html";
