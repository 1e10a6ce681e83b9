<?php
// Configuration of the Brightwell reference server (see "Reference server configuration" in
// README.md). A PHP file, so that a request for it runs it and shows nothing.
return [
    // The launcher version the server expects, and the page that offers the current launcher.
    'launcher' => [
        'version' => 'l20101210',
        'downloadPage' => 'https://www.example.com/brightwell/download',
    ],
    // The current update manifest: its version and its file name in the release folder.
    'manifest' => [
        'version' => '1',
        'file' => 'manifest.xml',
    ],
    // Folder of the files the launcher downloads; relative paths start at this file's folder.
    // It must lie outside the web server's document root: the script refuses downloads otherwise.
    'releaseFolder' => 'release',
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
