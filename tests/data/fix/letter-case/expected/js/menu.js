var home = "../index.html";
