var home = "file:///nowhere/index.html";
