#!/usr/bin/env node
// SMTP server for the mail tests, on 127.0.0.1 only.
//
//   node smtp-test-server.js --dir FOLDER [--tls none|starttls|implicit]
//                            [--key KEY.pem --cert CERT.pem] [--refuse ADDRESS]...
//                            [--strict-8bit 1]
//
// Prints "PORT <n>" once it listens on a free port. Accepts mail without
// authentication or after AUTH PLAIN, LOGIN or CRAM-MD5 as user "tester" with
// password "secret-pass". Each message is stored as FOLDER/<n>.eml (the data as
// received) and FOLDER/<n>.env (lines "from", "to", "user", "secure"), the .env last,
// before the end of data is answered. Recipients named with --refuse get 550.
// With --strict-8bit a message holding any byte above 0x7F is refused with 550 5.6.0
// and not stored, as a server holding to 7-bit mail (postfix strict_8bitmime) does.
// Exits when its standard input closes, so it never outlives the test that started it.
'use strict';

const fs = require('fs');
const path = require('path');
const { SMTPServer } = require('smtp-server');
const { SMTPConnection } = require('smtp-server/lib/smtp-connection.js');

// The library holds every greeting back for 100 ms to catch clients that talk first.
// The clients under test never do, and a bulk mailing reconnects after every 100
// messages: greet at once.
SMTPConnection.prototype.init = function init() {
    this._setListeners(() => this.connectionReady());
};

const USER = 'tester';
const PASSWORD = 'secret-pass';

function parseArgs(argv) {
    const args = { dir: null, tls: 'none', key: null, cert: null, refuse: [], strict8bit: false };
    for (let i = 0; i < argv.length; i++) {
        const name = argv[i];
        const value = argv[i + 1];
        if (value === undefined) throw new Error(`missing value for ${name}`);
        i++;
        switch (name) {
            case '--dir': args.dir = value; break;
            case '--tls': args.tls = value; break;
            case '--key': args.key = value; break;
            case '--cert': args.cert = value; break;
            case '--refuse': args.refuse.push(value.toLowerCase()); break;
            case '--strict-8bit': args.strict8bit = value === '1'; break;
            default: throw new Error(`unknown option ${name}`);
        }
    }
    if (!args.dir) throw new Error('--dir is required');
    if (!['none', 'starttls', 'implicit'].includes(args.tls)) throw new Error(`bad --tls ${args.tls}`);
    if (args.tls !== 'none' && (!args.key || !args.cert)) throw new Error('--key and --cert are required for TLS');
    return args;
}

const args = parseArgs(process.argv.slice(2));
fs.mkdirSync(args.dir, { recursive: true });
let stored = 0;

function writeAtomically(file, data) {
    fs.writeFileSync(file + '.part', data);
    fs.renameSync(file + '.part', file);
}

const options = {
    logger: false,
    banner: 'nortea test server',
    authMethods: ['PLAIN', 'LOGIN', 'CRAM-MD5'],
    authOptional: true,
    allowInsecureAuth: true,
    size: 0,
    // No reverse DNS lookup of 127.0.0.1 for every connection: it only costs time.
    disableReverseLookup: true,
    // Replies go out at once, never held back waiting for an acknowledgement.
    noDelay: true,
    onAuth(auth, session, callback) {
        const passwordOk = auth.method === 'CRAM-MD5' ? auth.validatePassword(PASSWORD) : auth.password === PASSWORD;
        if (auth.username === USER && passwordOk) return callback(null, { user: USER });
        return callback(new Error('Invalid username or password'));
    },
    onRcptTo(address, session, callback) {
        if (args.refuse.includes(address.address.toLowerCase())) {
            const err = new Error('Mailbox unavailable');
            err.responseCode = 550;
            return callback(err);
        }
        return callback();
    },
    onData(stream, session, callback) {
        const chunks = [];
        stream.on('data', chunk => chunks.push(chunk));
        stream.on('end', () => {
            try {
                const data = Buffer.concat(chunks);
                if (args.strict8bit) {
                    const bodyAt = data.indexOf('\r\n\r\n');
                    const at = data.findIndex(b => b > 0x7f);
                    if (at >= 0) {
                        const where = bodyAt < 0 || at < bodyAt ? 'header' : 'body';
                        const err = new Error(`5.6.0 improper use of 8-bit data in message ${where}`);
                        err.responseCode = 550;
                        return callback(err);
                    }
                }
                const n = ++stored;
                const base = path.join(args.dir, String(n));
                writeAtomically(base + '.eml', data);
                const lines = [`from ${session.envelope.mailFrom ? session.envelope.mailFrom.address : ''}`];
                for (const r of session.envelope.rcptTo) lines.push(`to ${r.address}`);
                lines.push(`user ${session.user || ''}`);
                lines.push(`secure ${session.secure ? 1 : 0}`);
                writeAtomically(base + '.env', lines.join('\n') + '\n');
                callback(null, `stored as ${n}`);
            } catch (e) {
                callback(e);
            }
        });
    },
};

if (args.tls === 'none') {
    options.hideSTARTTLS = true;
} else {
    options.key = fs.readFileSync(args.key);
    options.cert = fs.readFileSync(args.cert);
    options.secure = args.tls === 'implicit';
}

const server = new SMTPServer(options);
server.on('error', () => {}); // a client that breaks off must not end the server
server.listen(0, '127.0.0.1', () => {
    process.stdout.write(`PORT ${server.server.address().port}\n`);
});

process.stdin.on('data', () => {});
process.stdin.on('end', () => process.exit(0));
process.on('SIGTERM', () => process.exit(0));
