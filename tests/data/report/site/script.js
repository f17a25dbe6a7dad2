var next = "https://www.example.com/next";
