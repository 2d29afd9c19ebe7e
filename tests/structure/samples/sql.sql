-- A small schema.
CREATE TABLE users (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL
);

create table if not exists orders (
    id integer primary key,
    user_id integer references users(id)
);

CREATE TEMPORARY TABLE scratch (x INT);

CREATE OR REPLACE VIEW active_users AS
    SELECT * FROM users WHERE id > 0;

CREATE MATERIALIZED VIEW order_counts AS SELECT user_id, count(*) FROM orders GROUP BY 1;

CREATE OR REPLACE FUNCTION add_one(x integer) RETURNS integer AS $$
    SELECT x + 1;
$$ LANGUAGE sql;

CREATE PROCEDURE archive_orders()
LANGUAGE plpgsql AS $$ BEGIN END $$;

SELECT * FROM users;
