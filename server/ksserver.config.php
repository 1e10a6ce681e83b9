<?php
// Configuration of the Brightwell reference server (see "Reference server configuration" in
// README.md). A PHP file, so that a request for it runs it and shows nothing.
return [
    // The launcher version the server expects, and the page that offers the current launcher.
    'launcher' => [
        'version' => 'l20101210',
        'downloadPage' => 'https://www.example.com/brightwell/download',
    ],
    // The release folder: one folder per release and the link to the live one, written by
    // server/publish.sh (the only way to publish). A relative path starts at this file's folder.
    // PHP's built-in server reads it from here; under nginx the site names it, and this entry
    // must name the same folder (or be left out). It must lie outside the document root: the
    // script refuses downloads otherwise.
    'releaseFolder' => 'releases',
    // Users: name => password digest (MD5 as 32 hexadecimal digits), the two values of an accepted
    // login, and optional property lines "key:value" sent after it.
    'users' => [
        'player' => [
            'password' => '5f4dcc3b5aa765d61d8327deb882cf99',
            'values' => ['player', 'standard'],
            'properties' => ['news:Welcome to Brightwell'],
        ],
    ],
    // The publisher's own actions: name => reply text; "{query}" stands for the raw query string.
    'actions' => [
        'motd' => 'Servers are up.',
    ],
    // Fixed reply texts for "auth" or "ver2" that replace the computed ones (maintenance).
    'replies' => [],
];
