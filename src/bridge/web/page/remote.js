// The remote page's script (the page's own is built in its place).
"use strict";
