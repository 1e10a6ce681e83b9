<?php
// Brightwell reference server: the one script the launcher calls. It answers logins, version
// checks, release downloads and the publisher's own actions from one configuration file
// (ksserver.config.php beside the document root, or the file named by KSSERVER_CONFIG).
declare(strict_types=1);

const DOWNLOAD_CHUNK_SIZE = 1048576;

function reply(int $status, string $text): never
{
    http_response_code($status);
    header('Content-Type: text/plain; charset=utf-8');
    header('Content-Length: ' . strlen($text));
    echo $text;
    exit;
}

function configurationPath(): string
{
    $override = getenv('KSSERVER_CONFIG');
    // The script lives in <root>/public/ksclient/, the configuration in <root>/, out of reach of
    // the web server's static file handling.
    return is_string($override) && $override !== '' ? $override
                                                    : dirname(__DIR__, 2) . '/ksserver.config.php';
}

function loadConfiguration(): array
{
    $path = configurationPath();
    $configuration = is_file($path) ? include $path : null;
    if (!is_array($configuration)) {
        error_log("ksserver: configuration $path is missing or does not return an array");
        reply(500, 'Server configuration error');
    }
    $configuration['folder'] = dirname((string) realpath($path));
    return $configuration;
}

// The launcher sends names and values exactly as it holds them (only custom values are
// percent-encoded), so the query is split without decoding; the first occurrence of a name wins.
function queryParameters(): array
{
    $parameters = [];
    $query = (string) ($_SERVER['QUERY_STRING'] ?? '');
    foreach ($query === '' ? [] : explode('&', $query) as $pair) {
        [$name, $value] = array_pad(explode('=', $pair, 2), 2, '');
        $parameters[$name] ??= $value;
    }
    return $parameters;
}

function setting(array $configuration, string $section, string $key): string
{
    return (string) ($configuration[$section][$key] ?? '');
}

// The user's entry when uid names a user and pw is the digest of that user's password.
function authenticatedUser(array $configuration, array $query): ?array
{
    $name = $query['uid'] ?? '';
    $user = $configuration['users'][$name] ?? null;
    if ($name === '' || !is_array($user)) {
        return null;
    }
    $digest = strtolower((string) ($user['password'] ?? ''));
    $sent = strtolower($query['pw'] ?? '');
    return $digest !== '' && hash_equals($digest, $sent) ? $user : null;
}

function fixedReply(array $configuration, string $action): ?string
{
    $text = $configuration['replies'][$action] ?? null;
    return is_string($text) ? $text : null;
}

function answerLogin(array $configuration, array $query): never
{
    $user = authenticatedUser($configuration, $query);
    if ($user === null) {
        reply(200, 'FAILED');
    }
    $values = array_pad(array_values((array) ($user['values'] ?? [])), 2, '');
    $lines = ['OK,' . $values[0] . ',' . $values[1]];
    foreach ((array) ($user['properties'] ?? []) as $property) {
        $lines[] = (string) $property;
    }
    reply(200, implode("\n", $lines));
}

function answerVersionCheck(array $configuration, array $query): never
{
    if (($query['ver'] ?? '') !== setting($configuration, 'launcher', 'version')) {
        reply(200, 'KO,1,' . setting($configuration, 'launcher', 'downloadPage'));
    }
    if (($query['man'] ?? '') !== setting($configuration, 'manifest', 'version')) {
        reply(200, 'KO,2,' . setting($configuration, 'manifest', 'file'));
    }
    reply(200, 'OK');
}

function isAbsolutePath(string $path): bool
{
    return $path[0] === '/' || $path[0] === '\\' || preg_match('/^[A-Za-z]:/', $path) === 1;
}

function leavesFolder(string $name): bool
{
    if (str_contains($name, "\0") || isAbsolutePath($name)) {
        return true;
    }
    return in_array('..', preg_split('#[/\\\\]#', $name), true);
}

function releaseFolder(array $configuration): ?string
{
    $folder = (string) ($configuration['releaseFolder'] ?? 'release');
    if ($folder === '' || !isAbsolutePath($folder)) {
        $folder = $configuration['folder'] . DIRECTORY_SEPARATOR . $folder;
    }
    $resolved = realpath($folder);
    return $resolved !== false && is_dir($resolved) ? $resolved : null;
}

function isInside(string $path, string $folder): bool
{
    return str_starts_with($path . DIRECTORY_SEPARATOR, rtrim($folder, '/\\') . DIRECTORY_SEPARATOR);
}

// A web server hands out whatever lies below its document root without asking this script, so
// a release folder in there would bypass the login check (and follow symbolic links).
function insideDocumentRoot(string $folder): bool
{
    $root = (string) ($_SERVER['DOCUMENT_ROOT'] ?? '');
    $resolved = $root === '' ? false : realpath($root);
    return $resolved !== false && isInside($folder, $resolved);
}

// Hidden files (".htaccess", ".git/...") are never release files; "." alone is the folder itself.
function namesHiddenFile(string $name): bool
{
    foreach (preg_split('#[/\\\\]#', $name) as $segment) {
        if ($segment !== '.' && str_starts_with($segment, '.')) {
            return true;
        }
    }
    return false;
}

// The path of the release file called name relative to the release folder, with every symbolic
// link resolved, or null when there is none inside the release folder. Requests that try to
// leave the folder are logged.
function releaseFile(string $folder, string $name): ?string
{
    if ($name === '') {
        return null;
    }
    $logged = addcslashes($name, "\0..\37\\");
    if (leavesFolder($name)) {
        error_log("ksserver: refused download of \"$logged\": outside the release folder");
        return null;
    }
    if (namesHiddenFile($name)) {
        return null;
    }
    $file = realpath($folder . DIRECTORY_SEPARATOR . $name);
    if ($file === false) {
        return null;
    }
    if (!isInside($file, $folder)) {
        error_log("ksserver: refused download of \"$logged\": it leads outside the release folder");
        return null;
    }
    $relative = substr($file, strlen($folder) + 1);
    return is_file($file) && !namesHiddenFile($relative) ? $relative : null;
}

// Streams the file in chunks, so a package of any size never sits in memory.
function sendFile(string $file): never
{
    $handle = fopen($file, 'rb');
    if ($handle === false) {
        reply(404, 'File not found');
    }
    $size = fstat($handle)['size'];
    while (ob_get_level() > 0) {
        ob_end_clean();
    }
    set_time_limit(0);
    http_response_code(200);
    header('Content-Type: application/octet-stream');
    header('Content-Length: ' . $size);
    for ($left = $size; $left > 0 && !feof($handle); $left -= strlen($chunk)) {
        $chunk = fread($handle, min(DOWNLOAD_CHUNK_SIZE, $left));
        if ($chunk === false || $chunk === '') {
            break;
        }
        echo $chunk;
        flush();
    }
    fclose($handle);
    exit;
}

// The prefix of the web server's internal location over the release folder when the server
// sends file bodies itself (X-Accel-Redirect), or the empty text when this script streams them.
function handOffPrefix(): string
{
    $prefix = getenv('KSSERVER_ACCEL_REDIRECT');
    return is_string($prefix) ? $prefix : '';
}

// Leaves the bytes to the web server, which sends them from its internal location with the same
// status, type and length as sendFile; the worker is free as soon as this returns. The relative
// path holds no symbolic link and no dot segment, and is percent-encoded segment by segment.
function handOff(string $prefix, string $relative): never
{
    // Real paths use the system's separator only: elsewhere a backslash is part of a name.
    $segments = explode(DIRECTORY_SEPARATOR, $relative);
    http_response_code(200);
    header('Content-Type: application/octet-stream');
    header('X-Accel-Redirect: ' . $prefix . implode('/', array_map('rawurlencode', $segments)));
    exit;
}

function answerDownload(array $configuration, array $query): never
{
    if (authenticatedUser($configuration, $query) === null) {
        reply(401, 'Unauthorized');
    }
    $folder = releaseFolder($configuration);
    if ($folder === null) {
        error_log('ksserver: the release folder does not exist');
        reply(404, 'File not found');
    }
    if (insideDocumentRoot($folder)) {
        error_log("ksserver: the release folder $folder lies inside the document root: "
            . 'downloads are refused until it is moved out');
        reply(500, 'Server configuration error');
    }
    $relative = releaseFile($folder, $query['dirfile'] ?? '');
    if ($relative === null) {
        reply(404, 'File not found');
    }
    $prefix = handOffPrefix();
    if ($prefix !== '') {
        handOff($prefix, $relative);
    }
    sendFile($folder . DIRECTORY_SEPARATOR . $relative);
}

// The raw query string with every non-empty password digest replaced by asterisks, so that a
// reply that echoes the query never hands the digest to whoever reads the reply.
function queryWithoutDigest(): string
{
    $query = (string) ($_SERVER['QUERY_STRING'] ?? '');
    return preg_replace('/(^|&)pw=[^&]+/', '$1pw=***', $query);
}

function answerCustomAction(array $configuration, string $action): never
{
    $text = $configuration['actions'][$action] ?? null;
    if ($action === '' || !is_string($text)) {
        reply(400, 'Unknown action');
    }
    reply(200, str_replace('{query}', queryWithoutDigest(), $text));
}

ini_set('zlib.output_compression', '0');
header_remove('X-Powered-By');
clearstatcache(true);
if (($_SERVER['REQUEST_METHOD'] ?? 'GET') !== 'GET') {
    reply(405, 'Method not allowed');
}
$configuration = loadConfiguration();
$query = queryParameters();
$action = $query['action'] ?? '';
$fixed = fixedReply($configuration, $action);
if ($fixed !== null && ($action === 'auth' || $action === 'ver2')) {
    reply(200, $fixed);
}
match ($action) {
    'auth' => answerLogin($configuration, $query),
    'ver2' => answerVersionCheck($configuration, $query),
    'download_pf' => answerDownload($configuration, $query),
    default => answerCustomAction($configuration, $action),
};
