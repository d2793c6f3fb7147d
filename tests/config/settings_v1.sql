PRAGMA application_id = 1364611889;
PRAGMA user_version = 1;
CREATE TABLE keys (path TEXT PRIMARY KEY, parent TEXT, name TEXT NOT NULL) WITHOUT ROWID;
CREATE INDEX keys_by_parent ON keys (parent);
CREATE TABLE vals (key TEXT NOT NULL REFERENCES keys (path) ON DELETE CASCADE,
  lname TEXT NOT NULL, name TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL,
  PRIMARY KEY (key, lname)) WITHOUT ROWID;
INSERT INTO keys VALUES ('', NULL, '');
INSERT INTO keys VALUES ('software', '', 'Software');
INSERT INTO keys VALUES ('software\kz', 'software', 'KZ');
INSERT INTO keys VALUES ('software\kz\quorvane', 'software\kz', 'Quorvane');
INSERT INTO keys VALUES ('software\kz\quorvane\mappings', 'software\kz\quorvane', 'Mappings');
INSERT INTO keys VALUES ('software\kz\quorvane\mappings\|mnt|backup|', 'software\kz\quorvane\mappings', '|mnt|backup|');
INSERT INTO keys VALUES ('software\kz\quorvane\mappings\|mnt|backup|\destination', 'software\kz\quorvane\mappings\|mnt|backup|', 'Destination');
INSERT INTO vals VALUES ('software\kz\quorvane', 'wait', 'Wait', 4, X'3c000000');
INSERT INTO vals VALUES ('software\kz\quorvane', 'confirm', 'Confirm', 4, X'01000000');
INSERT INTO vals VALUES ('software\kz\quorvane\mappings\|mnt|backup|', '', '', 1, X'2f6d6e742f6261636b75702f00');
INSERT INTO vals VALUES ('software\kz\quorvane\mappings\|mnt|backup|', 'src', 'Src', 2, X'2f686f6d652f752f00');
INSERT INTO vals VALUES ('software\kz\quorvane\mappings\|mnt|backup|', 'row', 'Row', 4, X'01000000');
INSERT INTO vals VALUES ('software\kz\quorvane\mappings\|mnt|backup|', 'copysecurityinfo', 'CopySecurityInfo', 4, X'00000000');
INSERT INTO vals VALUES ('software\kz\quorvane\mappings\|mnt|backup|\destination', 'maxsizedest', 'MaxSizeDest', 3, X'0000100000000000');
